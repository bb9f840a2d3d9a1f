// The download service against the peer's HTTP file service, in process, with its fault
// options: close after N body bytes, ignore Range, answer 416, pace the body, no length, a
// short length, an endless body.

#include "core/DownloadService.h"

#include "DiskTree.h"
#include "HttpFileService.h"
#include "NetWork/HttpDownloader.h"
#include "TicketBook.h"
#include "codec/SignedLink.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "support/ScriptedComputer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;
using pd::peer::HttpFaults;

namespace {

constexpr const char* kUuid = "0123456789ABCDEF";
constexpr const char* kTicket = "T1cketT1cketT1cketT1cketT1cket00";

std::string patternBytes(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::uintmax_t sizeOf(const fs::path& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

HttpFaults paced(std::uint64_t bytesPerSecond) {
    HttpFaults f;
    f.bytesPerSecond = bytesPerSecond;
    return f;
}

std::string textOf(const UserInfo& info, const char* key) {
    const auto found = info.find(key);
    const auto* text = found == info.end() ? nullptr : std::get_if<std::string>(&found->second);
    return text ? *text : "<missing>";
}

std::int64_t numberOf(const UserInfo& info, const char* key) {
    const auto found = info.find(key);
    const auto* number = found == info.end() ? nullptr : std::get_if<std::int64_t>(&found->second);
    return number ? *number : -1;
}

bool isEnd(const std::string& name) {
    return name == kHttpTaskSuccessNotification || name == kHttpTaskFailureNotification;
}

// A preview observer that records what it hears and on which thread.
class RecordingObserver : public DownloadServiceDelegate {
  public:
    void HttpDownStart(const std::string& url) override {
        note("start " + url + (MainQueue::shared().isCurrent() ? " on main" : " elsewhere"));
    }
    void HttpDownError(const std::string&) override {
        note(std::string("error") + (MainQueue::shared().isCurrent() ? " on main" : " elsewhere"));
    }
    void HttpDownProgress(float fraction) override {
        std::lock_guard lock(mutex_);
        progress_.push_back(fraction);
    }
    std::vector<std::string> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<float> progress() const {
        std::lock_guard lock(mutex_);
        return progress_;
    }
    bool done() const {
        std::lock_guard lock(mutex_);
        return !progress_.empty() && progress_.back() == 1.0f;
    }

  private:
    void note(std::string event) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<float> progress_;
};

class DownloadServiceTest : public TempHome {
  protected:
    struct Notice {
        std::string name;
        UserInfo info;
    };

    void SetUp() override {
        token = center.addObserver("", [this](const std::string& name, const UserInfo& info) {
            notices.push_back({name, info});
        });
        fs::create_directories(home() / "DownFiles" / "temp");
        fs::create_directories(home() / "Cache");
        fs::create_directories(home() / "disk" / "c");
        disk = peer::DiskTree::open(home() / "disk");
        ASSERT_TRUE(disk);
        tickets.issue(kUuid, kTicket);
        ASSERT_TRUE(startServer()) << "the peer's HTTP service could not listen on 127.0.0.1";
    }
    void TearDown() override { center.removeObserver(token); }

    // A service with other faults replaces the running one; its links carry the new port.
    bool startServer(const HttpFaults& faults = {}) {
        server.reset();
        server = peer::HttpFileService::start("127.0.0.1", 0, *disk, tickets, faults);
        return server != nullptr;
    }
    void serve(const std::string& name, const std::string& content) {
        writeFile(home() / "disk" / "c" / name, content);
    }
    std::string url(const std::string& name) const {
        return buildSignedUrl("127.0.0.1", server->port(), "C:/" + name, kUuid, kTicket);
    }
    fs::path dest(const std::string& name) const { return home() / "DownFiles" / name; }
    fs::path temp(const std::string& name) const { return home() / "DownFiles" / "temp" / name; }
    fs::path cache(const std::string& name) const { return home() / "Cache" / name; }

    void download(const std::string& name, DownloadService* on = nullptr, ListedFile listed = {}) {
        (on ? on : service.get())
            ->downLoadWithURL(url(name), dest(name), temp(name), "C:/files/" + name, listed);
    }
    std::size_t endCount() const {
        return static_cast<std::size_t>(std::count_if(
            notices.begin(), notices.end(), [](const Notice& n) { return isEnd(n.name); }));
    }
    bool waitForEnds(std::size_t count) {
        return pumpMainUntil([&] { return endCount() >= count; }, 20s);
    }
    // Every notification caused by work already handed to the main queue has arrived.
    void flush() {
        bool seen = false;
        const ObserverToken marker = center.addObserver(
            "test.flush", [&](const std::string&, const UserInfo&) { seen = true; });
        MainQueue::shared().async([this] { center.post("test.flush"); });
        pumpMainUntil([&] { return seen; });
        center.removeObserver(marker);
        std::erase_if(notices, [](const Notice& n) { return n.name == "test.flush"; });
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const Notice& n : notices) {
            out.push_back(n.name);
        }
        return out;
    }
    const Notice* lastEnd() const {
        for (auto it = notices.rbegin(); it != notices.rend(); ++it) {
            if (isEnd(it->name)) {
                return &*it;
            }
        }
        return nullptr;
    }
    std::vector<fs::path> partFiles() const {
        std::vector<fs::path> out;
        for (const auto& entry : fs::directory_iterator(home() / "Cache")) {
            if (entry.path().extension() == ".part") {
                out.push_back(entry.path());
            }
        }
        return out;
    }

    const std::vector<std::string> kOpThenSuccess{kHttpDownOpNotification,
                                                  kHttpTaskSuccessNotification};
    const std::vector<std::string> kOpThenFailure{kHttpDownOpNotification,
                                                  kHttpTaskFailureNotification};

    NotificationCenter center;
    std::optional<peer::DiskTree> disk;
    peer::TicketBook tickets;
    std::unique_ptr<peer::HttpFileService> server;
    std::unique_ptr<DownloadService> service = std::make_unique<DownloadService>(center);
    std::vector<Notice> notices;
    ObserverToken token = 0;
};

TEST_F(DownloadServiceTest, InterruptedDownloadResumesFromTheTemporaryFile) {
    const std::string body = patternBytes(300'000, 1);
    serve("a.bin", body);
    writeFile(dest("a.bin"), "an older file of that name");
    HttpFaults closing;
    closing.closeAfter = 100'000;
    ASSERT_TRUE(startServer(closing));

    download("a.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenFailure);
    const UserInfo& failed = lastEnd()->info;
    EXPECT_EQ(textOf(failed, "request"), url("a.bin"));
    EXPECT_EQ(textOf(failed, "filePath"), dest("a.bin").string());
    EXPECT_EQ(numberOf(failed, "fileSize"), 300'000);
    EXPECT_EQ(numberOf(failed, "status"), 200);
    EXPECT_NE(textOf(failed, "error"), "<missing>");
    EXPECT_EQ(sizeOf(temp("a.bin")), 100'000u);
    EXPECT_EQ(readFile(dest("a.bin")), "an older file of that name");
    EXPECT_TRUE(service->httpDownListArr().empty());

    // 206 proves the resume asked only for the rest; the whole file proves it was appended.
    ASSERT_TRUE(startServer());
    notices.clear();
    download("a.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenSuccess);
    const UserInfo& done = lastEnd()->info;
    EXPECT_EQ(numberOf(done, "status"), 206);
    EXPECT_EQ(numberOf(done, "fileSize"), 300'000);
    EXPECT_EQ(textOf(done, "filePath"), dest("a.bin").string());
    EXPECT_TRUE(readFile(dest("a.bin")) == body);
    EXPECT_FALSE(fs::exists(temp("a.bin")));
    const auto& record = service->httpDownTaskData();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->fileSize.load(), 300'000u);
    EXPECT_EQ(record->progress.load(), 1.0f);
    EXPECT_EQ(record->filePath, "C:/files/a.bin");
    EXPECT_TRUE(service->httpDownListArr().empty());
}

// How a resume ends when the server does not answer the Range as asked.
TEST_F(DownloadServiceTest, ResumeAnsweredWithoutTheRestEndsWithTheServersFile) {
    struct Case {
        const char* name;
        bool ignoreRange;
        bool answer416;
        std::size_t tempBytes;  // what the temporary file holds; the file has 40'000
        long status;
    };
    const Case cases[] = {
        // 200 with the whole body: the temporary file starts over.
        {"whole body", true, false, 5'000, 200},
        // 416 naming the size the temporary file has: it is whole, nothing more is fetched.
        {"already whole", false, true, 40'000, 416},
        // 416 for a temporary file of another size: it is not this file; fetched again whole.
        {"other file", false, true, 1'000, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string body = patternBytes(40'000, 2);
        const std::string name = std::string(c.name) + ".bin";
        serve(name, body);
        // Same size, other bytes: a needless second fetch would show in the result.
        const std::string held = patternBytes(c.tempBytes, 3);
        writeFile(temp(name), held);
        HttpFaults faults;
        faults.ignoreRange = c.ignoreRange;
        faults.answer416 = c.answer416;
        ASSERT_TRUE(startServer(faults));
        notices.clear();
        download(name);
        ASSERT_TRUE(waitForEnds(1));
        EXPECT_EQ(names(), kOpThenSuccess);
        EXPECT_EQ(numberOf(lastEnd()->info, "status"), c.status);
        EXPECT_EQ(numberOf(lastEnd()->info, "fileSize"), 40'000);
        EXPECT_TRUE(readFile(dest(name)) == (c.tempBytes == body.size() ? held : body));
        EXPECT_FALSE(fs::exists(temp(name)));
    }
}

// A body that does not match the sizes announced for the file never becomes the file, and
// the temporary file keeps at most what a resume can build on.
TEST_F(DownloadServiceTest, BodiesThatDisagreeWithTheAnnouncedSizeFail) {
    constexpr std::uint64_t kSize = 300'000;
    struct Case {
        const char* name;
        HttpFaults faults;
        std::uint64_t listedSize;
        bool succeeds;
        std::uintmax_t tempBytes;  // at most, after a failure
        const char* error;         // part of the reported error
    };
    HttpFaults noLength;
    noLength.noLength = true;
    HttpFaults noLengthCut = noLength;
    noLengthCut.closeAfter = 100'000;
    HttpFaults shortLength;
    shortLength.shortLength = true;
    HttpFaults endless;
    endless.endless = true;
    const Case cases[] = {
        {"no length, whole", noLength, kSize, true, 0, ""},
        {"no length, cut", noLengthCut, kSize, false, 100'000, "received 100000 of 300000"},
        {"half the length", shortLength, kSize, false, 0, "announced 150000"},
        {"endless body", endless, kSize, false, kSize, "more bytes than"},
        {"more than the disk holds", {}, 1ull << 60, false, 0, "not enough free space"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = std::string(c.name) + ".bin";
        const std::string body = patternBytes(kSize, 20);
        serve(name, body);
        ASSERT_TRUE(startServer(c.faults));
        notices.clear();
        download(name, nullptr, {c.listedSize, 0});
        ASSERT_TRUE(waitForEnds(1));
        EXPECT_EQ(names(), c.succeeds ? kOpThenSuccess : kOpThenFailure);
        if (c.succeeds) {
            EXPECT_TRUE(readFile(dest(name)) == body);
            continue;
        }
        EXPECT_NE(textOf(lastEnd()->info, "error").find(c.error), std::string::npos)
            << textOf(lastEnd()->info, "error");
        EXPECT_FALSE(fs::exists(dest(name)));
        EXPECT_LE(sizeOf(temp(name)), c.tempBytes);
        EXPECT_TRUE(readFile(temp(name)) == body.substr(0, sizeOf(temp(name))));
    }
}

// A temporary file begun for one version of a file is never continued with another.
TEST_F(DownloadServiceTest, ResumeOfAChangedFileStartsOver) {
    struct Case {
        const char* name;
        std::size_t newSize;
        ListedFile resumeListing;  // what the listing says when resuming
    };
    const Case cases[] = {
        // Same size, another modification time in the listing.
        {"new time", 300'000, {300'000, 2}},
        // Resumed without a listing (from the download list): the 206's complete length.
        {"new size", 350'000, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = std::string(c.name) + ".bin";
        serve(name, patternBytes(300'000, 30));
        HttpFaults closing;
        closing.closeAfter = 100'000;
        ASSERT_TRUE(startServer(closing));
        notices.clear();
        download(name, nullptr, {300'000, 1});
        ASSERT_TRUE(waitForEnds(1));
        ASSERT_EQ(sizeOf(temp(name)), 100'000u);

        const std::string changed = patternBytes(c.newSize, 31);
        serve(name, changed);
        ASSERT_TRUE(startServer());
        notices.clear();
        download(name, nullptr, c.resumeListing);
        ASSERT_TRUE(waitForEnds(1));
        EXPECT_EQ(names(), kOpThenSuccess);
        EXPECT_EQ(numberOf(lastEnd()->info, "status"), 200);
        EXPECT_TRUE(readFile(dest(name)) == changed);
        EXPECT_FALSE(fs::exists(temp(name)));
    }
}

TEST_F(DownloadServiceTest, AnswersThatCannotBeUsedAreNeverWritten) {
    // Not on the disk: 404, and nothing is created.
    download("c.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenFailure);
    EXPECT_EQ(numberOf(lastEnd()->info, "status"), 404);
    EXPECT_FALSE(fs::exists(dest("c.bin")));
    EXPECT_FALSE(fs::exists(temp("c.bin")));

    // With a partial file: neither an error page nor a part that starts at the wrong byte
    // touches it.
    const std::string body = patternBytes(20'000, 5);
    const std::string partial = body.substr(0, 1'000);
    writeFile(temp("c.bin"), partial);
    download("c.bin");
    ASSERT_TRUE(waitForEnds(2));
    EXPECT_EQ(lastEnd()->name, kHttpTaskFailureNotification);

    ScriptedComputer wrongStart;
    std::thread answer([&] {
        if (wrongStart.accept()) {
            wrongStart.sendRaw(
                "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-19999/20000\r\n"
                "Content-Length: 20000\r\n\r\n" +
                body);
            wrongStart.peerClosed();
        }
    });
    const std::string wrongUrl = "http://127.0.0.1:" + std::to_string(wrongStart.port()) + "/c";
    service->downLoadWithURL(wrongUrl, dest("c.bin"), temp("c.bin"), "C:/files/c.bin");
    const bool ended = waitForEnds(3);
    answer.join();
    ASSERT_TRUE(ended);
    EXPECT_EQ(lastEnd()->name, kHttpTaskFailureNotification);
    EXPECT_EQ(numberOf(lastEnd()->info, "status"), 206);
    EXPECT_EQ(readFile(temp("c.bin")), partial);
    EXPECT_FALSE(fs::exists(dest("c.bin")));
    EXPECT_EQ(endCount(), 3u);
}

TEST_F(DownloadServiceTest, OneRequestPerDestinationAndEachRecordGetsItsOwnSize) {
    const std::string body = patternBytes(200'000, 6);
    const std::string small = patternBytes(120'000, 7);
    serve("dup.bin", body);
    serve("small.bin", small);
    ASSERT_TRUE(startServer(paced(100'000)));

    download("dup.bin");
    download("dup.bin");
    // A resume after reconnecting: a new ticket makes a new URL for the same file.
    service->downLoadWithURL(url("dup.bin") + "&x=newticket", dest("dup.bin"), temp("dup.bin"),
                             "C:/files/dup.bin");
    download("small.bin");
    const auto& list = service->httpDownListArr();
    ASSERT_TRUE(pumpMainUntil([&] {
        return list.size() == 2 && list[0]->fileSize.load() > 0 && list[1]->fileSize.load() > 0;
    }));
    EXPECT_EQ(list[0]->url, url("dup.bin"));
    EXPECT_EQ(list[0]->fileSize.load(), 200'000u);
    EXPECT_EQ(list[1]->url, url("small.bin"));
    EXPECT_EQ(list[1]->fileSize.load(), 120'000u);
    EXPECT_EQ(service->requestCount(), 2u);

    ASSERT_TRUE(waitForEnds(2));
    flush();
    EXPECT_EQ(endCount(), 2u);
    for (const Notice& n : notices) {
        if (isEnd(n.name)) {
            EXPECT_EQ(n.name, kHttpTaskSuccessNotification);
            const bool isDup = textOf(n.info, "request") == url("dup.bin");
            EXPECT_EQ(numberOf(n.info, "fileSize"), isDup ? 200'000 : 120'000);
        }
    }
    EXPECT_TRUE(readFile(dest("dup.bin")) == body);
    EXPECT_TRUE(readFile(dest("small.bin")) == small);
}

TEST_F(DownloadServiceTest, PauseCancelsAndAResumeContinues) {
    const std::string body = patternBytes(500'000, 8);
    serve("p.bin", body);
    ASSERT_TRUE(startServer(paced(100'000)));
    download("p.bin");
    ASSERT_TRUE(pumpMainUntil(
        [&] { return service->httpDownListArr().size() == 1 && sizeOf(temp("p.bin")) > 0; }));
    const float progress = service->httpDownListArr()[0]->progress.load();
    EXPECT_GT(progress, 0.0f);
    EXPECT_LE(progress, static_cast<float>(sizeOf(temp("p.bin"))) / 500'000.0f + 1e-6f);

    // A second run of the same download (another process, say) is refused while this one
    // writes the temporary file, and leaves it alone.
    flush();  // the start's notice is posted, not yet delivered
    const std::size_t before = notices.size();
    DownloadService other(center);
    download("p.bin", &other);
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(textOf(lastEnd()->info, "error").find("another download"), 0u);
    EXPECT_EQ(service->httpDownListArr().size(), 1u);
    notices.resize(before);

    service->pauseDownload(url("not-running.bin"));
    flush();
    EXPECT_EQ(names(), std::vector<std::string>{kHttpDownOpNotification});

    service->pauseDownload(url("p.bin"));
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), (std::vector<std::string>{kHttpDownOpNotification, kHttpDownOpNotification,
                                                 kHttpTaskFailureNotification}));
    EXPECT_TRUE(service->httpDownListArr().empty());
    const auto kept = sizeOf(temp("p.bin"));
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, 500'000u);

    ASSERT_TRUE(startServer());
    notices.clear();
    download("p.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenSuccess);
    EXPECT_EQ(numberOf(lastEnd()->info, "status"), 206);
    EXPECT_TRUE(readFile(dest("p.bin")) == body);
}

TEST_F(DownloadServiceTest, DestroyedMidDownloadTheServiceEndsQuietly) {
    serve("d.bin", patternBytes(200'000, 10));
    serve("v.bin", patternBytes(200'000, 11));
    ASSERT_TRUE(startServer(paced(50'000)));
    auto observer = std::make_shared<RecordingObserver>();
    download("d.bin");
    service->downLoadWithURLV2(url("v.bin"), cache("v.bin"), observer);
    ASSERT_TRUE(pumpMainUntil([&] {
        return sizeOf(temp("d.bin")) > 0 && partFiles().size() == 1 && service->requestCount() == 2;
    }));
    service.reset();
    flush();
    EXPECT_EQ(names(), std::vector<std::string>{kHttpDownOpNotification});
    EXPECT_EQ(observer->events().size(), 1u);  // the start only
    EXPECT_TRUE(partFiles().empty());
    EXPECT_TRUE(fs::exists(temp("d.bin")));  // kept for a later resume
}

TEST_F(DownloadServiceTest, PreviewIsRenamedWhenWholeAndReportsOneExactlyOnce) {
    const std::string body = patternBytes(1 << 20, 12);
    serve("movie.mp4", body);
    writeFile(cache("movie.mp4"), "a stale file of another folder");
    ASSERT_TRUE(startServer(paced(512 * 1024)));
    auto observer = std::make_shared<RecordingObserver>();

    service->downLoadWithURLV2(url("movie.mp4"), cache("movie.mp4"), observer);
    ASSERT_TRUE(pumpMainUntil([&] {
        const auto parts = partFiles();
        return !observer->events().empty() && parts.size() == 1 && sizeOf(parts[0]) > 0;
    }));
    EXPECT_FALSE(fs::exists(cache("movie.mp4")));
    EXPECT_EQ(observer->events(),
              std::vector<std::string>{"start " + url("movie.mp4") + " on main"});

    ASSERT_TRUE(pumpMainUntil([&] { return observer->done(); }, 20s));
    flush();
    const auto progress = observer->progress();
    EXPECT_EQ(std::count(progress.begin(), progress.end(), 1.0f), 1);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_TRUE(readFile(cache("movie.mp4")) == body);
    EXPECT_TRUE(partFiles().empty());
    EXPECT_EQ(service->requestCount(), 0u);
    EXPECT_TRUE(notices.empty());  // previews are not announced
}

TEST_F(DownloadServiceTest, FailedPreviewLeavesNoFileAndTellsTheObserverOnMain) {
    auto observer = std::make_shared<RecordingObserver>();
    service->downLoadWithURLV2(url("doc.pdf"), cache("doc.pdf"), observer);  // not on the disk
    ASSERT_TRUE(pumpMainUntil([&] { return observer->events().size() == 2; }));
    EXPECT_EQ(observer->events()[1], "error on main");
    EXPECT_TRUE(observer->progress().empty());

    serve("doc.pdf", patternBytes(200'000, 13));
    HttpFaults closing;
    closing.closeAfter = 50'000;
    ASSERT_TRUE(startServer(closing));
    service->downLoadWithURLV2(url("doc.pdf"), cache("doc.pdf"), observer);
    ASSERT_TRUE(pumpMainUntil([&] { return observer->events().size() == 4; }));
    EXPECT_EQ(observer->events()[3], "error on main");
    const auto progress = observer->progress();
    EXPECT_TRUE(std::all_of(progress.begin(), progress.end(), [](float f) { return f < 1.0f; }));
    EXPECT_FALSE(fs::exists(cache("doc.pdf")));
    EXPECT_TRUE(partFiles().empty());

    // A body without its length cut short, or a short length: not the listed file.
    HttpFaults noLengthCut;
    noLengthCut.noLength = true;
    noLengthCut.closeAfter = 50'000;
    HttpFaults shortLength;
    shortLength.shortLength = true;
    for (const HttpFaults& faults : {noLengthCut, shortLength}) {
        ASSERT_TRUE(startServer(faults));
        const std::size_t ends = observer->events().size() + 2;
        service->downLoadWithURLV2(url("doc.pdf"), cache("doc.pdf"), observer, {200'000, 0});
        ASSERT_TRUE(pumpMainUntil([&] { return observer->events().size() == ends; }));
        EXPECT_EQ(observer->events().back(), "error on main");
        EXPECT_FALSE(fs::exists(cache("doc.pdf")));
        EXPECT_TRUE(partFiles().empty());
    }
    EXPECT_FALSE(observer->done());
}

TEST_F(DownloadServiceTest, PreviewsDoNotWaitForKeptDownloadsNorReachDeadObservers) {
    DownloadService oneSlot(center, 1);
    serve("k.bin", patternBytes(100'000, 14));
    serve("slow.png", patternBytes(100'000, 15));
    serve("img.png", patternBytes(100'000, 16));
    ASSERT_TRUE(startServer(paced(25'000)));
    download("k.bin", &oneSlot);
    auto gone = std::make_shared<RecordingObserver>();
    oneSlot.downLoadWithURLV2(url("slow.png"), cache("slow.png"), gone);
    ASSERT_TRUE(pumpMainUntil([&] {
        const auto parts = partFiles();
        return sizeOf(temp("k.bin")) > 0 && parts.size() == 1 && sizeOf(parts[0]) > 0;
    }));
    const std::weak_ptr<RecordingObserver> watch = gone;
    gone.reset();
    EXPECT_TRUE(watch.expired());

    // While the only kept slot is busy, a preview from an unpaced server runs to the end.
    peer::TicketBook otherTickets;
    otherTickets.issue(kUuid, kTicket);
    auto fast = peer::HttpFileService::start("127.0.0.1", 0, *disk, otherTickets);
    ASSERT_TRUE(fast);
    auto observer = std::make_shared<RecordingObserver>();
    oneSlot.downLoadWithURLV2(
        buildSignedUrl("127.0.0.1", fast->port(), "C:/img.png", kUuid, kTicket), cache("img.png"),
        observer);
    ASSERT_TRUE(pumpMainUntil([&] { return observer->done(); }));
    EXPECT_EQ(oneSlot.httpDownListArr().size(), 1u);

    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(lastEnd()->name, kHttpTaskSuccessNotification);
    EXPECT_TRUE(pumpMainUntil([&] { return fs::exists(cache("slow.png")); }, 20s));
}

TEST_F(DownloadServiceTest, APreviewAndAKeptDownloadOfOneFileNeverStopEachOther) {
    serve("both.bin", patternBytes(200'000, 17));
    ASSERT_TRUE(startServer(paced(50'000)));
    download("both.bin");
    auto observer = std::make_shared<RecordingObserver>();
    service->downLoadWithURLV2(url("both.bin"), cache("both.bin"), observer);
    ASSERT_TRUE(pumpMainUntil([&] {
        const auto parts = partFiles();
        return sizeOf(temp("both.bin")) > 0 && parts.size() == 1 && sizeOf(parts[0]) > 0;
    }));
    // Pausing the kept download leaves the preview running to its end...
    service->pauseDownload(url("both.bin"));
    ASSERT_TRUE(waitForEnds(1));
    ASSERT_TRUE(pumpMainUntil([&] { return observer->done(); }, 20s));
    EXPECT_TRUE(fs::exists(cache("both.bin")));

    // ...and leaving a preview stops it alone: the kept download resumes and ends whole.
    fs::remove(cache("both.bin"));
    notices.clear();
    download("both.bin");
    auto left = std::make_shared<RecordingObserver>();
    service->downLoadWithURLV2(url("both.bin"), cache("both.bin"), left);
    service->stopPreview(url("both.bin"));
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(lastEnd()->name, kHttpTaskSuccessNotification);
    flush();
    EXPECT_FALSE(left->done());
    EXPECT_TRUE(partFiles().empty());
    EXPECT_FALSE(fs::exists(cache("both.bin")));
}

TEST_F(DownloadServiceTest, ManyConcurrentDownloadsAllEndWhole) {
    constexpr int kFiles = 40;
    std::vector<std::string> bodies;
    for (int i = 0; i < kFiles; ++i) {
        bodies.push_back(patternBytes(64 * 1024, 100 + i));
        serve("f" + std::to_string(i), bodies.back());
    }
    // Each body takes seconds, so all of them holding bytes at once means they run at once.
    ASSERT_TRUE(startServer(paced(16 * 1024)));
    for (int i = 0; i < kFiles; ++i) {
        download("f" + std::to_string(i));
    }
    ASSERT_TRUE(pumpMainUntil(
        [&] {
            for (int i = 0; i < kFiles; ++i) {
                if (sizeOf(temp("f" + std::to_string(i))) == 0) {
                    return false;
                }
            }
            return true;
        },
        10s));
    EXPECT_EQ(service->httpDownListArr().size(), static_cast<std::size_t>(kFiles));
    ASSERT_TRUE(waitForEnds(kFiles));
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(i);
        EXPECT_TRUE(readFile(dest(name)) == bodies[i]) << name;
    }
    const auto ended = names();
    EXPECT_EQ(std::count(ended.begin(), ended.end(), kHttpTaskSuccessNotification), kFiles);
    EXPECT_TRUE(service->httpDownListArr().empty());
}

TEST_F(DownloadServiceTest, DownloadsBeyondTheLimitWaitTheirTurn) {
    DownloadService threeSlots(center, 3);
    std::size_t mostListed = 0;
    const ObserverToken watch =
        center.addObserver(kHttpDownOpNotification, [&](const std::string&, const UserInfo&) {
            mostListed = std::max(mostListed, threeSlots.httpDownListArr().size());
        });
    for (int i = 0; i < 8; ++i) {
        serve("q" + std::to_string(i), patternBytes(64 * 1024, 200 + i));
        download("q" + std::to_string(i), &threeSlots);
    }
    ASSERT_TRUE(waitForEnds(8));
    center.removeObserver(watch);
    const auto ended = names();
    EXPECT_EQ(std::count(ended.begin(), ended.end(), kHttpTaskSuccessNotification), 8);
    EXPECT_LE(mostListed, 3u);
    EXPECT_GE(mostListed, 1u);
}

TEST(DownloadServiceShared, IsOneServiceRegisteredAsTheDownloader) {
    DownloadService& shared = DownloadService::sharedNetworkQueue();
    EXPECT_EQ(&shared, &DownloadService::sharedNetworkQueue());
    EXPECT_EQ(httpDownloader(), &shared);
}

}  // namespace
