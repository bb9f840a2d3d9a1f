// Photo backup from the backup screen and the core controller's batch into the real peer's
// backup folder: what arrives, what the screen shows, what the computer is told, and the
// backup ledger that keeps a shake from sending a photo twice.

#include "CliRun.h"
#include "PeerFixture.h"

#include "CaptureImage.h"
#include "controllers/BackFileViewController.h"
#include "core/BackupLedger.h"
#include "core/Settings.h"
#include "model/ObjectStore.h"
#include "platform/AssetUrl.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/Md5.h"
#include "support/WaitFor.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <map>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

// What the user sees, in order.
class RecordingBackupView : public BackFileView {
  public:
    void setStatus(const std::string& key) override { events.push_back("status " + key); }
    void setTimeLine(const std::string& text) override { events.push_back("time " + text); }
    void setBackupFolderLine(const std::string& text) override { folderLine = text; }
    void showTip(const std::string& key, std::chrono::milliseconds) override {
        events.push_back("tip " + key);
    }
    void showProgressRing(std::size_t total) override {
        events.push_back("ring " + std::to_string(total));
    }
    void setProgressRing(std::size_t done, std::size_t total) override {
        events.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
    }
    void openPhotoBrowser(const std::vector<PhotoEntry>& photos) override { browser = photos; }
    void itemEnded(const std::string& name, UploadOutcome outcome) override {
        items.emplace_back(name, outcome);
    }
    void backupEnded(const BackupReport& r) override { reports.push_back(r); }

    bool saw(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
    std::vector<std::string> progress() const {
        std::vector<std::string> found;
        for (const auto& e : events)
            if (e.rfind("progress ", 0) == 0)
                found.push_back(e.substr(9));
        return found;
    }

    std::vector<std::string> events;
    std::string folderLine;
    std::vector<PhotoEntry> browser;
    std::vector<std::pair<std::string, UploadOutcome>> items;
    std::vector<BackupReport> reports;
};

class BackupAgainstPeer : public PeerFixture {
  protected:
    void SetUp() override {
        core().resetForTests();
        library = home() / "Pictures";
        fs::create_directories(library / "Holiday");
        backupDir = home() / "received";
        log = home() / "frames.jsonl";
    }
    void TearDown() override {
        screen.reset();
        finishedStore.reset();
        core().resetForTests();
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
        PeerFixture::TearDown();
    }
    static AuthCore& core() { return AuthCore::ShareInstance(); }

    // A small real picture, different for each `n`.
    fs::path photo(const std::string& relative, int n) {
        const fs::path file = library / relative;
        std::ofstream(file, std::ios::binary) << peer::CaptureImage::render(1'700'000'000 + n * 61);
        return file;
    }
    void connect() {
        startPeer({"--direct-accept", "--backup-dir", backupDir.string(), "--log", log.string()});
        core().serverIp = "127.0.0.1";
        core().port = peerProcess->controlPort();
        core().deviceTag = "PEER-TAG";
        core().ConnetctPcServer(1);
        ASSERT_TRUE(pumpMainUntil([&] { return core().hasAcceptedLink(); }));
    }
    void openScreen(bool sendAgain = false) {
        view = std::make_shared<RecordingBackupView>();
        BackFileViewController::Options options;
        options.photoRoot = library;
        screen = std::make_shared<BackFileViewController>(
            view, BrowserServices{core(), finished(), stats()}, nullptr, options);
        screen->setSendAgain(sendAgain);
        screen->viewDidLoad();
        ASSERT_TRUE(pumpMainUntil([&] { return screen->scanFinished(); }));
        // The link has one answer slot: the folder's answer comes before a batch asks, as the
        // terminal's backup waits for it too.
        ASSERT_TRUE(pumpMainUntil([&] { return view->folderLine != Localized("backupDir"); }));
    }
    std::function<void(int)> stats() {
        return [this](int n) { statistics.push_back(n); };
    }
    FinishedFileStore& finished() {
        if (!finishedStore) {
            finishedStore = std::make_unique<FinishedFileStore>(ObjectStore::shared(),
                                                                NotificationCenter::defaultCenter(),
                                                                [] { return std::string(); });
        }
        return *finishedStore;
    }
    bool shakeAndWait() {
        const std::size_t before = view->reports.size();
        screen->motionBegan(MotionType::Shake);
        screen->motionEnded(MotionType::Shake);
        return pumpMainUntil([&] { return view->reports.size() > before; },
                             std::chrono::seconds(30));
    }
    // The upload-channel commands the peer received, in order.
    std::vector<std::string> commands() const {
        std::vector<std::string> found;
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);) {
            const auto j = nlohmann::json::parse(line, nullptr, false);
            if (j.is_object() && j.value("dir", "") == "in" && j.value("code", 0) == 100 &&
                j["body"].is_array() && j["body"].size() > 2 && j["body"][2].is_string()) {
                found.push_back(j["body"][2].get<std::string>());
            }
        }
        return found;
    }
    std::size_t countOf(const std::string& command) const {
        const auto sent = commands();
        return static_cast<std::size_t>(std::count(sent.begin(), sent.end(), command));
    }
    // The peer logs a command as it handles it; "QUIT" is sent last, so wait for it there.
    bool quitArrives(std::size_t count = 1) const {
        return waitFor([&] { return countOf("QUIT") >= count; });
    }
    // Digest of each file the computer stored, by name.
    std::map<std::string, std::string> received() const {
        std::map<std::string, std::string> digests;
        if (!fs::exists(backupDir))
            return digests;
        for (const auto& entry : fs::directory_iterator(backupDir)) {
            if (entry.path().filename().string().front() == '.')
                continue;  // an item still arriving
            digests[entry.path().filename().string()] = digestOf(entry.path());
        }
        return digests;
    }
    static std::string digestOf(const fs::path& file) { return md5HexLower(slurp(file)); }

    fs::path library, backupDir, log;
    std::shared_ptr<RecordingBackupView> view;
    std::shared_ptr<BackFileViewController> screen;
    std::vector<int> statistics;
    std::unique_ptr<FinishedFileStore> finishedStore;
};

}  // namespace

// A shake sends each photo once (also one that is in two albums), byte for byte, reports its
// progress, ends with "QUIT", and the ledger then keeps a second shake from sending anything.
TEST_F(BackupAgainstPeer, ShakeSendsEveryPhotoOnceAndTheLedgerRemembersThem) {
    std::map<std::string, std::string> expected;
    for (int i = 1; i <= 3; ++i) {
        const auto file = photo("IMG_000" + std::to_string(i) + ".JPG", i);
        expected[file.filename().string()] = digestOf(file);
    }
    fs::create_symlink(library / "IMG_0002.JPG", library / "Holiday" / "IMG_0002.JPG");
    std::ofstream(library / "notes.txt") << "not a photo";
    connect();
    openScreen();

    ASSERT_TRUE(shakeAndWait());
    EXPECT_EQ(received(), expected);
    EXPECT_EQ(view->progress(), (std::vector<std::string>{"1/3", "2/3", "3/3"}));
    EXPECT_TRUE(view->saw("status backup has successfully"));
    BackupReport report{3, 3, 3, 0, 0, false, false};
    EXPECT_EQ(view->reports.back(), report);
    EXPECT_TRUE(quitArrives());
    EXPECT_TRUE(Settings::standard().lastPicBackTime().has_value());
    // The computer names its folder as it likes; the peer names a fixed one. A shake right
    // after opening may take the answer's slot first: then the screen asks again at the end.
    EXPECT_TRUE(pumpMainUntil(
        [&] { return view->folderLine == Localized("backupDir") + ":D:/PhoneBackup"; }));
    EXPECT_EQ(BackupLedger(ObjectStore::shared()).records("PEER-TAG").size(), 3u);
    EXPECT_EQ(statistics, (std::vector<int>{50, 51}));

    // Nothing is new to this computer now.
    ASSERT_TRUE(shakeAndWait());
    EXPECT_TRUE(view->reports.back().nothingToSend);
    EXPECT_TRUE(view->saw("time 0 " + Localized("new of") + " 3"));
    MainQueue::shared().runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(countOf("PASV"), 3u);

    // A new photo alone goes, and the screen says how many were new.
    expected["IMG_0004.JPG"] = digestOf(photo("IMG_0004.JPG", 4));
    screen.reset();
    openScreen();
    ASSERT_TRUE(shakeAndWait());
    EXPECT_TRUE(view->saw("time 1 " + Localized("new of") + " 4"));
    EXPECT_EQ(view->reports.back().sent, 1u);
    EXPECT_EQ(view->reports.back().known, 3u);

    // Asked to send again, everything goes.
    fs::remove_all(backupDir);
    screen.reset();
    openScreen(true);
    ASSERT_TRUE(shakeAndWait());
    EXPECT_EQ(received(), expected);

    // The ledger is in the store file: a fresh load (a restart) still has all four.
    ObjectStore reopened(ObjectStore::shared().file());
    BackupLedger ledger(reopened);
    EXPECT_EQ(ledger.records("PEER-TAG").size(), 4u);
    EXPECT_TRUE(ledger.contains("PEER-TAG", AssetUrl::fromRelativePath("IMG_0004.JPG"),
                                fs::file_size(library / "IMG_0004.JPG")));
    EXPECT_TRUE(ledger.records("OTHER-PC").empty());
}

// An item that cannot be read counts as done and is reported with its outcome; the batch
// goes on, reports every step and still ends with "QUIT". A second batch is refused meanwhile.
TEST_F(BackupAgainstPeer, AnUnreadableItemCountsAsDoneAndTheBatchGoesOn) {
    photo("IMG_0001.JPG", 1);
    photo("IMG_0003.JPG", 3);
    connect();
    std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
    std::vector<std::pair<std::string, UploadOutcome>> items;
    std::optional<BackupBatchEnd> ended;
    core().ProgressBlock([&](std::uint64_t d, std::uint64_t t) { progress.emplace_back(d, t); });
    core().BackupItemBlock([&](const std::string&, const std::string& name, UploadOutcome o) {
        items.emplace_back(name, o);
    });
    core().BackupFinishBlock([&](const BackupBatchEnd& e) { ended = e; });
    core().assetslibrary = std::make_shared<const PhotoLibrary>(library);
    core().upQueueArr = {AssetUrl::fromRelativePath("IMG_0001.JPG"),
                         AssetUrl::fromRelativePath("IMG_0002.JPG"),  // no such photo
                         AssetUrl::fromRelativePath("IMG_0003.JPG")};
    ASSERT_TRUE(core().PhotoAlbumBakMgr());
    EXPECT_TRUE(core().upQueueArr.empty());
    EXPECT_EQ(core().photoTmpArr().size(), 3u);
    core().upQueueArr = {AssetUrl::fromRelativePath("IMG_0001.JPG")};
    EXPECT_FALSE(core().PhotoAlbumBakMgr());  // one batch at a time
    EXPECT_EQ(core().photoTmpArr().size(), 3u);

    ASSERT_TRUE(pumpMainUntil([&] { return ended.has_value(); }, std::chrono::seconds(30)));
    using P = std::pair<std::uint64_t, std::uint64_t>;
    EXPECT_EQ(progress, (std::vector<P>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(items[1], std::make_pair(std::string(), UploadOutcome::Unreadable));
    EXPECT_EQ(*ended, (BackupBatchEnd{3, 3, 1, 2, false, false}));
    EXPECT_TRUE(quitArrives());
    EXPECT_EQ(commands(), (std::vector<std::string>{"PASV", "STOR IMG_0001.JPG", "PASV",
                                                    "STOR IMG_0003.JPG", "QUIT"}));
    EXPECT_FALSE(core().isPhotoBakRunning());
}

// A tap on the ring during the second of three items lets that item finish, reads no third,
// sends no "QUIT", and remembers the time of the stop.
TEST_F(BackupAgainstPeer, AStopFinishesTheCurrentItemAndSendsNoQuit) {
    for (int i = 1; i <= 3; ++i) {
        photo("IMG_000" + std::to_string(i) + ".JPG", i);
    }
    connect();
    openScreen();
    screen->selectTab(1);
    ASSERT_EQ(view->browser.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        screen->photoBrowserSelectedChanged(i, true);
    }
    screen->photoBrowserDidFinishModalPresentation();
    EXPECT_TRUE(screen->selecePicUrlSet().empty());  // picks are not carried to a later batch
    // The second item is on the upload channel once the first has been reported.
    // Checked after each task of the main queue, where the upload flow makes its moves.
    ASSERT_TRUE(MainQueue::shared().runUntil(
        [&] { return view->progress().size() == 1 && core().fileTransferMgr() != nullptr; },
        std::chrono::steady_clock::now() + std::chrono::seconds(30)));
    screen->ProgresstapDetected();
    EXPECT_TRUE(view->saw("status backup has stopped"));
    ASSERT_TRUE(pumpMainUntil([&] { return !view->reports.empty(); }, std::chrono::seconds(30)));

    EXPECT_TRUE(view->reports.back().stopped);
    EXPECT_EQ(view->reports.back().done, 2u);
    EXPECT_EQ(received().size(), 2u);
    MainQueue::shared().runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(countOf("PASV"), 2u);
    EXPECT_EQ(countOf("QUIT"), 0u);
    EXPECT_TRUE(Settings::standard().lastPicBackTime().has_value());
    EXPECT_FALSE(core().isPhotoBakRunning());
    EXPECT_EQ(statistics, (std::vector<int>{50, 53, 57, 52}));
}

// Closing the browser with nothing picked says so and sends nothing; losing the link ends a
// running batch, so the next one may start.
TEST_F(BackupAgainstPeer, NothingPickedSendsNothingAndALostLinkEndsTheBatch) {
    photo("IMG_0001.JPG", 1);
    connect();
    openScreen();
    screen->selectTab(1);
    screen->photoBrowserDidFinishModalPresentation();
    EXPECT_TRUE(view->saw("time " + Localized("no photos backup")));
    ASSERT_EQ(view->reports.size(), 1u);
    EXPECT_TRUE(view->reports.back().nothingToSend);
    MainQueue::shared().runFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(commands().empty());

    core().upQueueArr = {AssetUrl::fromRelativePath("IMG_0001.JPG")};
    ASSERT_TRUE(core().PhotoAlbumBakMgr());
    core().ResetServer();
    ASSERT_TRUE(pumpMainUntil([&] { return !core().isPhotoBakRunning(); }));
}
