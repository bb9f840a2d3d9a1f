// The download service against an in-process HTTP server that can misbehave.

#include "core/DownloadService.h"

#include "NetWork/HttpDownloader.h"
#include "platform/MainQueue.h"
#include "platform/Md5.h"
#include "platform/NotificationCenter.h"
#include "support/FaultyHttpServer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

using Behaviour = FaultyHttpServer::Behaviour;

Behaviour closingAfter(std::size_t bytes) {
    Behaviour b;
    b.closeAfter = bytes;
    return b;
}
Behaviour holdingAfter(std::size_t bytes) {
    Behaviour b;
    b.holdAfter = bytes;
    return b;
}
Behaviour ignoringRange() {
    Behaviour b;
    b.ignoreRange = true;
    return b;
}
Behaviour rangeNotSatisfiable() {
    Behaviour b;
    b.rangeNotSatisfiable = true;
    return b;
}
Behaviour notFound() {
    Behaviour b;
    b.notFound = true;
    return b;
}
Behaviour partsStartingAt(std::size_t byte) {
    Behaviour b;
    b.rangeStart = byte;
    return b;
}

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
        ASSERT_TRUE(server.ok()) << "the test HTTP server could not listen on 127.0.0.1";
        token = center.addObserver("", [this](const std::string& name, const UserInfo& info) {
            notices.push_back({name, info});
        });
        fs::create_directories(home() / "DownFiles" / "temp");
        fs::create_directories(home() / "Cache");
    }
    void TearDown() override { center.removeObserver(token); }

    fs::path dest(const std::string& name) const { return home() / "DownFiles" / name; }
    fs::path temp(const std::string& name) const { return home() / "DownFiles" / "temp" / name; }
    fs::path cache(const std::string& name) const { return home() / "Cache" / name; }

    void download(const std::string& name, DownloadService* on = nullptr) {
        (on ? on : service.get())
            ->downLoadWithURL(server.url(name), dest(name), temp(name), "C:/files/" + name);
    }
    std::size_t endCount() const {
        return static_cast<std::size_t>(std::count_if(
            notices.begin(), notices.end(), [](const Notice& n) { return isEnd(n.name); }));
    }
    bool waitForEnds(std::size_t count) {
        return pumpMainUntil([&] { return endCount() >= count; }, 10s);
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
    FaultyHttpServer server;
    std::unique_ptr<DownloadService> service = std::make_unique<DownloadService>(center);
    std::vector<Notice> notices;
    ObserverToken token = 0;
};

TEST_F(DownloadServiceTest, InterruptedDownloadResumesFromTheTemporaryFile) {
    const std::string body = patternBytes(300'000, 1);
    server.setFile("a.bin", body);
    writeFile(dest("a.bin"), "an older file of that name");
    server.setBehaviour(closingAfter(100'000));

    download("a.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenFailure);
    const UserInfo& failed = lastEnd()->info;
    EXPECT_EQ(textOf(failed, "request"), server.url("a.bin"));
    EXPECT_EQ(textOf(failed, "filePath"), dest("a.bin").string());
    EXPECT_EQ(numberOf(failed, "fileSize"), 300'000);
    EXPECT_EQ(numberOf(failed, "status"), 200);
    EXPECT_NE(textOf(failed, "error"), "<missing>");
    EXPECT_EQ(fs::file_size(temp("a.bin")), 100'000u);
    EXPECT_EQ(readFile(dest("a.bin")), "an older file of that name");
    EXPECT_TRUE(service->httpDownListArr().empty());

    server.setBehaviour({});
    notices.clear();
    download("a.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenSuccess);
    const UserInfo& done = lastEnd()->info;
    EXPECT_EQ(numberOf(done, "status"), 206);
    EXPECT_EQ(numberOf(done, "fileSize"), 300'000);
    EXPECT_EQ(textOf(done, "filePath"), dest("a.bin").string());
    EXPECT_EQ(server.requests().back().range, "bytes=100000-");
    EXPECT_EQ(md5HexLower(readFile(dest("a.bin"))), md5HexLower(body));
    EXPECT_FALSE(fs::exists(temp("a.bin")));
    const auto& record = service->httpDownTaskData();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->fileSize.load(), 300'000u);
    EXPECT_EQ(record->progress.load(), 1.0f);
    EXPECT_EQ(record->filePath, "C:/files/a.bin");
    EXPECT_TRUE(service->httpDownListArr().empty());
}

TEST_F(DownloadServiceTest, ResumeAnsweredWithTheWholeBodyStartsOver) {
    const std::string body = patternBytes(50'000, 2);
    server.setFile("b.bin", body);
    writeFile(temp("b.bin"), std::string(5'000, 'x'));
    server.setBehaviour(ignoringRange());

    download("b.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenSuccess);
    EXPECT_EQ(numberOf(lastEnd()->info, "status"), 200);
    EXPECT_EQ(server.requests().back().range, "bytes=5000-");
    EXPECT_EQ(md5HexLower(readFile(dest("b.bin"))), md5HexLower(body));
}

TEST_F(DownloadServiceTest, NotSatisfiableRangeCompletesAWholeTemporaryFileOrStartsOver) {
    // The temporary file already holds the whole file: nothing more to fetch.
    const std::string whole = patternBytes(40'000, 3);
    server.setFile("whole.bin", whole);
    writeFile(temp("whole.bin"), whole);
    server.setBehaviour(rangeNotSatisfiable());
    download("whole.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenSuccess);
    EXPECT_EQ(numberOf(lastEnd()->info, "fileSize"), 40'000);
    EXPECT_EQ(readFile(dest("whole.bin")), whole);
    EXPECT_EQ(server.requests().size(), 1u);

    // A temporary file of another size is not this file: fetched once more, whole.
    const std::string other = patternBytes(30'000, 4);
    server.setFile("other.bin", other);
    writeFile(temp("other.bin"), patternBytes(1'000, 9));
    notices.clear();
    download("other.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenSuccess);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].range, "bytes=1000-");
    EXPECT_EQ(requests[2].range, "");
    EXPECT_EQ(md5HexLower(readFile(dest("other.bin"))), md5HexLower(other));
}

TEST_F(DownloadServiceTest, AnswersThatCannotBeUsedAreNeverWritten) {
    const std::string body = patternBytes(20'000, 5);
    server.setFile("c.bin", body);

    server.setBehaviour(notFound());
    download("c.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenFailure);
    EXPECT_EQ(numberOf(lastEnd()->info, "status"), 404);
    EXPECT_FALSE(fs::exists(dest("c.bin")));
    EXPECT_FALSE(fs::exists(temp("c.bin")));

    // With a partial file: neither an error page nor a part that starts at the wrong byte
    // touches it.
    const std::string partial = body.substr(0, 1'000);
    writeFile(temp("c.bin"), partial);
    download("c.bin");
    ASSERT_TRUE(waitForEnds(2));
    EXPECT_EQ(lastEnd()->name, kHttpTaskFailureNotification);
    server.setBehaviour(partsStartingAt(0));
    download("c.bin");
    ASSERT_TRUE(waitForEnds(3));
    EXPECT_EQ(lastEnd()->name, kHttpTaskFailureNotification);
    EXPECT_EQ(numberOf(lastEnd()->info, "status"), 206);
    EXPECT_EQ(readFile(temp("c.bin")), partial);
    EXPECT_FALSE(fs::exists(dest("c.bin")));
    EXPECT_EQ(endCount(), 3u);
}

TEST_F(DownloadServiceTest, OneRequestPerDestinationAndEachRecordGetsItsOwnSize) {
    const std::string body = patternBytes(200'000, 6);
    const std::string small = patternBytes(10'000, 7);
    server.setFile("dup.bin", body);
    server.setFile("small.bin", small);
    server.setBehaviour(holdingAfter(1'000));

    download("dup.bin");
    download("dup.bin");
    // A resume after reconnecting: a new ticket makes a new URL for the same file.
    service->downLoadWithURL(server.url("dup.bin?k=newticket"), dest("dup.bin"), temp("dup.bin"),
                             "C:/files/dup.bin");
    download("small.bin");
    const auto& list = service->httpDownListArr();
    ASSERT_TRUE(pumpMainUntil([&] {
        return list.size() == 2 && list[0]->fileSize.load() > 0 && list[1]->fileSize.load() > 0;
    }));
    EXPECT_EQ(list[0]->url, server.url("dup.bin"));
    EXPECT_EQ(list[0]->fileSize.load(), 200'000u);
    EXPECT_EQ(list[1]->url, server.url("small.bin"));
    EXPECT_EQ(list[1]->fileSize.load(), 10'000u);
    EXPECT_EQ(service->requestCount(), 2u);

    server.release();
    ASSERT_TRUE(waitForEnds(2));
    flush();
    EXPECT_EQ(endCount(), 2u);
    EXPECT_EQ(server.requests().size(), 2u);
    for (const Notice& n : notices) {
        if (isEnd(n.name)) {
            EXPECT_EQ(n.name, kHttpTaskSuccessNotification);
            const bool isDup = textOf(n.info, "request") == server.url("dup.bin");
            EXPECT_EQ(numberOf(n.info, "fileSize"), isDup ? 200'000 : 10'000);
        }
    }
    EXPECT_EQ(md5HexLower(readFile(dest("dup.bin"))), md5HexLower(body));
    EXPECT_EQ(readFile(dest("small.bin")), small);
}

TEST_F(DownloadServiceTest, PauseCancelsAndAResumeContinues) {
    const std::string body = patternBytes(500'000, 8);
    server.setFile("p.bin", body);
    server.setBehaviour(holdingAfter(100'000));
    download("p.bin");
    ASSERT_TRUE(pumpMainUntil([&] {
        return service->httpDownListArr().size() == 1 && fs::exists(temp("p.bin")) &&
               fs::file_size(temp("p.bin")) == 100'000;
    }));
    EXPECT_FLOAT_EQ(service->httpDownListArr()[0]->progress.load(), 0.2f);

    service->pauseDownload(server.url("not-running.bin"));
    flush();
    EXPECT_EQ(names(), std::vector<std::string>{kHttpDownOpNotification});

    service->pauseDownload(server.url("p.bin"));
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), (std::vector<std::string>{kHttpDownOpNotification, kHttpDownOpNotification,
                                                 kHttpTaskFailureNotification}));
    EXPECT_TRUE(service->httpDownListArr().empty());
    EXPECT_EQ(fs::file_size(temp("p.bin")), 100'000u);
    server.release();

    server.setBehaviour({});
    notices.clear();
    download("p.bin");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(names(), kOpThenSuccess);
    EXPECT_EQ(server.requests().back().range, "bytes=100000-");
    EXPECT_EQ(md5HexLower(readFile(dest("p.bin"))), md5HexLower(body));
}

TEST_F(DownloadServiceTest, DestroyedMidDownloadTheServiceEndsQuietly) {
    server.setFile("d.bin", patternBytes(100'000, 10));
    server.setBehaviour(holdingAfter(1'000));
    auto observer = std::make_shared<RecordingObserver>();
    server.setFile("v.bin", patternBytes(100'000, 11));
    download("d.bin");
    service->downLoadWithURLV2(server.url("v.bin"), cache("v.bin"), observer);
    ASSERT_TRUE(pumpMainUntil([&] {
        return fs::exists(temp("d.bin")) && fs::file_size(temp("d.bin")) == 1'000 &&
               partFiles().size() == 1 && service->requestCount() == 2;
    }));
    service.reset();
    server.release();
    flush();
    EXPECT_EQ(names(), std::vector<std::string>{kHttpDownOpNotification});
    EXPECT_EQ(observer->events().size(), 1u);  // the start only
    EXPECT_TRUE(partFiles().empty());
    EXPECT_TRUE(fs::exists(temp("d.bin")));  // kept for a later resume
}

TEST_F(DownloadServiceTest, PreviewIsRenamedWhenWholeAndReportsOneExactlyOnce) {
    const std::string body = patternBytes(3 << 20, 12);
    server.setFile("movie.mp4", body);
    writeFile(cache("movie.mp4"), "a stale file of another folder");
    server.setBehaviour(holdingAfter(1 << 20));
    auto observer = std::make_shared<RecordingObserver>();

    service->downLoadWithURLV2(server.url("movie.mp4"), cache("movie.mp4"), observer);
    ASSERT_TRUE(pumpMainUntil([&] {
        const auto parts = partFiles();
        return !observer->events().empty() && parts.size() == 1 &&
               fs::file_size(parts[0]) == (1u << 20);
    }));
    EXPECT_FALSE(fs::exists(cache("movie.mp4")));
    EXPECT_EQ(observer->events(),
              std::vector<std::string>{"start " + server.url("movie.mp4") + " on main"});

    server.release();
    ASSERT_TRUE(pumpMainUntil([&] {
        const auto progress = observer->progress();
        return !progress.empty() && progress.back() == 1.0f;
    }));
    flush();
    const auto progress = observer->progress();
    EXPECT_EQ(std::count(progress.begin(), progress.end(), 1.0f), 1);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(md5HexLower(readFile(cache("movie.mp4"))), md5HexLower(body));
    EXPECT_TRUE(partFiles().empty());
    EXPECT_EQ(service->requestCount(), 0u);
    EXPECT_TRUE(notices.empty());  // previews are not announced
}

TEST_F(DownloadServiceTest, FailedPreviewLeavesNoFileAndTellsTheObserverOnMain) {
    server.setFile("doc.pdf", patternBytes(200'000, 13));
    auto observer = std::make_shared<RecordingObserver>();

    server.setBehaviour(notFound());
    service->downLoadWithURLV2(server.url("doc.pdf"), cache("doc.pdf"), observer);
    ASSERT_TRUE(pumpMainUntil([&] { return observer->events().size() == 2; }));
    EXPECT_EQ(observer->events()[1], "error on main");
    EXPECT_TRUE(observer->progress().empty());

    server.setBehaviour(closingAfter(50'000));
    service->downLoadWithURLV2(server.url("doc.pdf"), cache("doc.pdf"), observer);
    ASSERT_TRUE(pumpMainUntil([&] { return observer->events().size() == 4; }));
    EXPECT_EQ(observer->events()[3], "error on main");
    const auto progress = observer->progress();
    EXPECT_TRUE(std::all_of(progress.begin(), progress.end(), [](float f) { return f < 1.0f; }));
    EXPECT_FALSE(fs::exists(cache("doc.pdf")));
    EXPECT_TRUE(partFiles().empty());
}

TEST_F(DownloadServiceTest, PreviewsDoNotWaitForKeptDownloadsNorReachDeadObservers) {
    DownloadService oneSlot(center, 1);
    server.setFile("k.bin", patternBytes(100'000, 14));
    server.setFile("slow.png", patternBytes(100'000, 15));
    server.setFile("img.png", patternBytes(100'000, 16));
    server.setBehaviour(holdingAfter(1'000));
    download("k.bin", &oneSlot);
    auto gone = std::make_shared<RecordingObserver>();
    oneSlot.downLoadWithURLV2(server.url("slow.png"), cache("slow.png"), gone);
    ASSERT_TRUE(pumpMainUntil([&] {
        return server.bytesSent("k.bin") == 1'000 && server.bytesSent("slow.png") == 1'000;
    }));
    const std::weak_ptr<RecordingObserver> watch = gone;
    gone.reset();
    EXPECT_TRUE(watch.expired());

    // While the only kept slot is held, a preview still runs to the end.
    server.setBehaviour({});
    auto observer = std::make_shared<RecordingObserver>();
    oneSlot.downLoadWithURLV2(server.url("img.png"), cache("img.png"), observer);
    ASSERT_TRUE(pumpMainUntil([&] {
        const auto progress = observer->progress();
        return !progress.empty() && progress.back() == 1.0f;
    }));
    EXPECT_EQ(oneSlot.httpDownListArr().size(), 1u);

    server.release();
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(lastEnd()->name, kHttpTaskSuccessNotification);
    EXPECT_TRUE(pumpMainUntil([&] { return fs::exists(cache("slow.png")); }));
}

TEST_F(DownloadServiceTest, ManyConcurrentDownloadsAllEndWhole) {
    constexpr int kFiles = 40;
    std::vector<std::string> bodies;
    for (int i = 0; i < kFiles; ++i) {
        bodies.push_back(patternBytes(256 * 1024, 100 + i));
        server.setFile("f" + std::to_string(i), bodies.back());
    }
    server.setBehaviour(holdingAfter(4'096));
    for (int i = 0; i < kFiles; ++i) {
        download("f" + std::to_string(i));
    }
    // All of them transfer at once.
    ASSERT_TRUE(pumpMainUntil(
        [&] { return server.peakConcurrency() == static_cast<std::size_t>(kFiles); }, 10s));
    EXPECT_EQ(service->httpDownListArr().size(), static_cast<std::size_t>(kFiles));
    server.release();
    ASSERT_TRUE(waitForEnds(kFiles));
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(i);
        EXPECT_EQ(md5HexLower(readFile(dest(name))), md5HexLower(bodies[i])) << name;
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
        server.setFile("q" + std::to_string(i), patternBytes(64 * 1024, 200 + i));
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
