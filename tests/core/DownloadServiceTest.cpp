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
#include <map>
#include <mutex>
#include <thread>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;
using pd::peer::HttpFaults;
using Faults = HttpFaults;

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

// The peer's HTTP service with fault options switched on.
HttpFaults fault(bool HttpFaults::*option) {
    HttpFaults f;
    f.*option = true;
    return f;
}
HttpFaults closing(std::uint64_t after, bool noLength = false) {
    HttpFaults f;
    f.closeAfter = after;
    f.noLength = noLength;
    return f;
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

// A preview observer that records what it hears, and whether on the main queue.
class RecordingObserver : public DownloadServiceDelegate {
  public:
    struct Heard {
        std::vector<std::string> events;
        std::vector<float> progress;
        bool done() const { return !progress.empty() && progress.back() == 1.0f; }
    };
    void HttpDownStart(const std::string& url) override { note("start " + url); }
    void HttpDownError(const std::string&) override { note("error"); }
    void HttpDownProgress(float fraction) override {
        std::lock_guard lock(mutex_);
        heard_.progress.push_back(fraction);
    }
    Heard heard() const {
        std::lock_guard lock(mutex_);
        return heard_;
    }

  private:
    void note(const std::string& event) {
        const bool main = MainQueue::shared().isCurrent();
        std::lock_guard lock(mutex_);
        heard_.events.push_back(event + (main ? " on main" : " elsewhere"));
    }
    mutable std::mutex mutex_;
    Heard heard_;
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
        // No link to sign new links with: a download cut off fails, leaving its part.
        service->setRetryDelays([](int) { return 1ms; });
        service->setRelinker([](const std::string&) { return DownloadRelink{}; });
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
    // Starts a kept download and waits for its end.
    Notice runKept(const std::string& name, ListedFile listed = {}) {
        notices.clear();
        download(name, nullptr, listed);
        if (!waitForEnds(1)) {
            ADD_FAILURE() << name << " did not end";
            return {"no end", {}};
        }
        return ends().back();
    }
    // The success and failure notices so far.
    std::vector<Notice> ends() const {
        std::vector<Notice> out;
        std::copy_if(notices.begin(), notices.end(), std::back_inserter(out), [](const Notice& n) {
            return n.name == kHttpTaskSuccessNotification || n.name == kHttpTaskFailureNotification;
        });
        return out;
    }
    bool waitForEnds(std::size_t count) {
        return pumpMainUntil([&] { return ends().size() >= count; }, 20s);
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
    std::vector<fs::path> partFiles() const {
        std::vector<fs::path> out;
        for (const auto& entry : fs::directory_iterator(home() / "Cache")) {
            if (entry.path().extension() == ".part") {
                out.push_back(entry.path());
            }
        }
        return out;
    }

    NotificationCenter center;
    std::optional<peer::DiskTree> disk;
    peer::TicketBook tickets;
    std::unique_ptr<peer::HttpFileService> server;
    std::unique_ptr<DownloadService> service = std::make_unique<DownloadService>(center);
    std::vector<Notice> notices;
    ObserverToken token = 0;
};

// Every way a download ends. A fresh answer ends a preview the same way as a kept download:
// the preview's file is whole or absent, its observer hears on the main queue the start and
// then one progress of 1 or an error, and nothing is announced. A "cut" case first loads
// 100'000 of the file's 300'000 bytes, under the listing it resumes with (a changed file:
// under {300'000, 1}), from a service that closes there: that attempt fails and leaves its part
// for the next one. The phone's older file of that name is replaced only by a whole file. An
// error of "" is any error: a cut body is worded by the HTTP client.
TEST_F(DownloadServiceTest, EveryWayADownloadEnds) {
    constexpr std::uint64_t kSize = 300'000;
    enum Before { Fresh, Missing, Cut, CutNewTime, CutNewSize, CutWholeTemp, CutGone };
    struct Case {
        const char* name;
        Before before;
        HttpFaults faults;
        ListedFile listed;
        long status;                   // of the last answer
        const char* error;             // nullptr: success; else part of the reported error
        std::uintmax_t tempBytes = 0;  // a failure leaves: at most if fresh, exactly if cut
    };
    const Case cases[] = {
        // The body must agree with every size announced for the file.
        {"no length", Fresh, fault(&Faults::noLength), {kSize, 0}, 200, nullptr},
        {"cut", Fresh, closing(100'000), {}, 200, "", 100'000},
        {"cut, no length", Fresh, closing(100'000, true), {kSize, 0}, 200, "100000 of", 100'000},
        {"half length", Fresh, fault(&Faults::shortLength), {kSize, 0}, 200, "announced 150000"},
        {"endless body", Fresh, fault(&Faults::endless), {kSize, 0}, 200, "more bytes than", kSize},
        {"more than the disk holds", Fresh, {}, {1ull << 60, 0}, 0, "not enough free space"},
        {"not on the disk", Missing, {}, {}, 404, "HTTP status 404"},
        // Resumed without a listing (from the download list); 206: only the rest was asked.
        {"resumed", Cut, paced(1 << 20), {}, 206, nullptr},
        {"cut again", Cut, closing(100'000), {kSize, 1}, 206, "", 200'000},
        // 200 with the whole body: the temporary file starts over.
        {"whole body sent", Cut, fault(&Faults::ignoreRange), {kSize, 1}, 200, nullptr},
        // 416 naming another size than the temporary file's: fetched again, whole.
        {"416 for a part", Cut, fault(&Faults::answer416), {kSize, 1}, 200, nullptr},
        // 416 for a temporary file of the whole size: it is moved, nothing more is fetched.
        {"already whole", CutWholeTemp, {}, {kSize, 1}, 416, nullptr},
        // The computer's file changed since the part was loaded: it starts over.
        {"new time", CutNewTime, {}, {kSize, 2}, 200, nullptr},
        {"new size", CutNewSize, {}, {}, 200, nullptr},  // seen in the 206's complete length
        // An error page leaves the part alone.
        {"gone", CutGone, {}, {kSize, 1}, 404, "HTTP status 404", 100'000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = std::string(c.name) + ".bin";
        const std::string body = patternBytes(kSize, 1);
        std::string expected = body;
        if (c.before != Missing) {
            serve(name, body);
        }
        writeFile(dest(name), "an older file of that name");
        if (c.before < Cut) {
            ASSERT_TRUE(startServer(c.faults));
            writeFile(cache(name), "a stale file of another folder");
            notices.clear();
            auto observer = std::make_shared<RecordingObserver>();
            service->downLoadWithURLV2(url(name), cache(name), observer, c.listed);
            ASSERT_TRUE(pumpMainUntil([&] {
                const auto heard = observer->heard();
                return heard.done() || heard.events.size() == 2;
            }));
            flush();
            const auto [events, progress] = observer->heard();
            std::vector<std::string> heard{"start " + url(name) + " on main"};
            if (c.error) {
                heard.push_back("error on main");
            }
            EXPECT_EQ(events, heard);
            EXPECT_EQ(std::count(progress.begin(), progress.end(), 1.0f), c.error ? 0 : 1);
            EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
            EXPECT_TRUE(c.before != Missing || progress.empty());  // an error page is no progress
            EXPECT_TRUE(c.error ? !fs::exists(cache(name)) : readFile(cache(name)) == body);
            EXPECT_TRUE(partFiles().empty());
            EXPECT_EQ(service->requestCount(), 0u);
            EXPECT_TRUE(notices.empty());
        } else {
            const bool changed = c.before == CutNewTime || c.before == CutNewSize;
            ASSERT_TRUE(startServer(closing(100'000)));
            const Notice cut = runKept(name, changed ? ListedFile{kSize, 1} : c.listed);
            EXPECT_EQ(cut.name, kHttpTaskFailureNotification);
            EXPECT_EQ(textOf(cut.info, "request"), url(name));
            EXPECT_EQ(numberOf(cut.info, "fileSize"), 300'000);
            EXPECT_TRUE(readFile(temp(name)) == body.substr(0, 100'000));
            ASSERT_TRUE(startServer(c.faults));
        }
        if (c.before == CutNewTime || c.before == CutNewSize) {
            expected = patternBytes(c.before == CutNewSize ? 350'000 : kSize, 2);
            serve(name, expected);
        } else if (c.before == CutWholeTemp) {
            expected = patternBytes(kSize, 3);  // not the computer's bytes: a fetch would show
            writeFile(temp(name), expected);
        } else if (c.before == CutGone) {
            fs::remove(home() / "disk" / "c" / name);
        }
        const Notice end = runKept(name, c.listed);
        EXPECT_EQ(names(), (std::vector<std::string>{kHttpDownOpNotification, end.name}));
        EXPECT_EQ(end.name, c.error ? kHttpTaskFailureNotification : kHttpTaskSuccessNotification);
        EXPECT_EQ(numberOf(end.info, "status"), c.status);
        EXPECT_EQ(textOf(end.info, "filePath"), dest(name).string());
        EXPECT_TRUE(service->httpDownListArr().empty());
        if (c.error) {
            EXPECT_NE(textOf(end.info, "error").find(c.error), std::string::npos)
                << textOf(end.info, "error");
            EXPECT_EQ(readFile(dest(name)), "an older file of that name");
            const auto held = sizeOf(temp(name));
            EXPECT_TRUE(c.before < Cut ? held <= c.tempBytes : held == c.tempBytes) << held;
            EXPECT_TRUE(readFile(temp(name)) == body.substr(0, held));
            EXPECT_TRUE(held > 0 || !fs::exists(temp(name)));  // no empty file left behind
            continue;
        }
        EXPECT_EQ(numberOf(end.info, "fileSize"), static_cast<std::int64_t>(expected.size()));
        EXPECT_TRUE(readFile(dest(name)) == expected);
        EXPECT_FALSE(fs::exists(temp(name)));
        const auto& record = service->httpDownTaskData();
        ASSERT_TRUE(record);
        EXPECT_EQ(record->fileSize.load(), expected.size());
        EXPECT_EQ(record->progress.load(), 1.0f);
        EXPECT_EQ(record->filePath, "C:/files/" + name);
    }
}

// A part that does not start where the temporary file ends is not appended to it.
TEST_F(DownloadServiceTest, APartStartingAtTheWrongByteIsNotWritten) {
    const std::string body = patternBytes(20'000, 5);
    writeFile(temp("c.bin"), body.substr(0, 1'000));
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
    const bool ended = waitForEnds(1);
    answer.join();
    ASSERT_TRUE(ended);
    EXPECT_EQ(ends().back().name, kHttpTaskFailureNotification);
    EXPECT_EQ(numberOf(ends().back().info, "status"), 206);
    EXPECT_EQ(readFile(temp("c.bin")), body.substr(0, 1'000));
    EXPECT_FALSE(fs::exists(dest("c.bin")));
}

// Kept downloads run at once: each body takes eight seconds and an ended download leaves the
// list, so all of them in the list with their headers means they ran at once. A request for a
// URL or a destination already running is ignored, and each record and end report carries the
// size of its own file.
TEST_F(DownloadServiceTest, ManyDownloadsRunAtOnceEachOncePerDestination) {
    constexpr int kFiles = 24;
    std::vector<std::string> bodies;
    for (int i = 0; i < kFiles; ++i) {
        bodies.push_back(patternBytes(128 * 1024 + i, 100 + i));
        serve("f" + std::to_string(i), bodies.back());
    }
    ASSERT_TRUE(startServer(paced(16 * 1024)));
    for (int i = 0; i < kFiles; ++i) {
        download("f" + std::to_string(i));
    }
    download("f0");
    // A resume after reconnecting: a new ticket makes a new URL for the same destination.
    service->downLoadWithURL(url("f1") + "&x=newticket", dest("f1"), temp("f1"), "C:/files/f1");
    const auto& list = service->httpDownListArr();
    // The limit only bounds a hang: what shows that they run at once is that none has ended.
    ASSERT_TRUE(pumpMainUntil(
        [&] {
            return list.size() == kFiles &&
                   std::ranges::all_of(list, [](auto& r) { return r->fileSize.load() > 0; });
        },
        30s));
    EXPECT_EQ(service->requestCount(), static_cast<std::size_t>(kFiles));
    for (int i = 0; i < kFiles; ++i) {
        EXPECT_EQ(list[i]->url, url("f" + std::to_string(i)));
        EXPECT_EQ(list[i]->fileSize.load(), bodies[i].size());
    }
    ASSERT_TRUE(waitForEnds(kFiles));
    flush();
    std::map<std::string, std::int64_t> ended;  // request: reported size
    for (const Notice& n : ends()) {
        EXPECT_EQ(n.name, kHttpTaskSuccessNotification);
        ended[textOf(n.info, "request")] = numberOf(n.info, "fileSize");
    }
    EXPECT_EQ(ends().size(), static_cast<std::size_t>(kFiles));
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(i);
        EXPECT_EQ(ended[url(name)], static_cast<std::int64_t>(bodies[i].size())) << name;
        EXPECT_TRUE(readFile(dest(name)) == bodies[i]) << name;
    }
    EXPECT_TRUE(service->httpDownListArr().empty());
}

// A resume after a pause is the last step of the preview test below.
TEST_F(DownloadServiceTest, PauseCancelsAndKeepsThePart) {
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
    EXPECT_EQ(textOf(ends().back().info, "error").find("another download"), 0u);
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
    EXPECT_EQ(observer->heard().events.size(), 1u);  // the start only
    EXPECT_TRUE(partFiles().empty());
    EXPECT_TRUE(fs::exists(temp("d.bin")));  // kept for a later resume
}

// Previews and kept downloads share the worker, not their fate: a preview does not wait for a
// kept download's slot while a kept download over the limit does; pausing a kept download or
// leaving a preview of the same file stops that one alone; an observer that is gone is not
// called.
TEST_F(DownloadServiceTest, PreviewsAndKeptDownloadsNeverStopOrWaitForEachOther) {
    DownloadService oneSlot(center, 1);
    const std::string both = patternBytes(200'000, 17);
    serve("both.bin", both);
    serve("next.bin", patternBytes(10'000, 14));
    serve("img.png", patternBytes(100'000, 16));
    ASSERT_TRUE(startServer(paced(50'000)));
    download("both.bin", &oneSlot);
    download("next.bin", &oneSlot);
    auto gone = std::make_shared<RecordingObserver>();
    oneSlot.downLoadWithURLV2(url("both.bin"), cache("both.bin"), gone);
    ASSERT_TRUE(pumpMainUntil([&] {
        const auto parts = partFiles();
        return sizeOf(temp("both.bin")) > 0 && parts.size() == 1 && sizeOf(parts[0]) > 0;
    }));
    const std::weak_ptr<RecordingObserver> watch = gone;
    gone.reset();
    // A progress report on the worker may hold it for the length of that one call.
    EXPECT_TRUE(pumpMainUntil([&] { return watch.expired(); }));

    // While the only slot is busy, a preview from an unpaced server runs to the end.
    auto fast = peer::HttpFileService::start("127.0.0.1", 0, *disk, tickets);
    ASSERT_TRUE(fast);
    auto observer = std::make_shared<RecordingObserver>();
    oneSlot.downLoadWithURLV2(
        buildSignedUrl("127.0.0.1", fast->port(), "C:/img.png", kUuid, kTicket), cache("img.png"),
        observer);
    ASSERT_TRUE(pumpMainUntil([&] { return observer->heard().done(); }));
    EXPECT_EQ(oneSlot.httpDownListArr().size(), 1u);  // next.bin still waits

    // Pausing the kept download lets the waiting one run, and the preview of the paused file
    // runs to its end.
    oneSlot.pauseDownload(url("both.bin"));
    ASSERT_TRUE(waitForEnds(2));
    EXPECT_EQ(ends().back().name, kHttpTaskSuccessNotification);
    EXPECT_EQ(textOf(ends().back().info, "request"), url("next.bin"));
    EXPECT_TRUE(pumpMainUntil([&] { return fs::exists(cache("both.bin")); }, 20s));

    // Leaving a preview stops it alone: the kept download resumes and ends whole.
    fs::remove(cache("both.bin"));
    notices.clear();
    download("both.bin", &oneSlot);
    auto left = std::make_shared<RecordingObserver>();
    oneSlot.downLoadWithURLV2(url("both.bin"), cache("both.bin"), left);
    oneSlot.stopPreview(url("both.bin"));
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(ends().back().name, kHttpTaskSuccessNotification);
    EXPECT_EQ(numberOf(ends().back().info, "status"), 206);  // it went on from the paused part
    EXPECT_TRUE(readFile(dest("both.bin")) == both);
    flush();
    EXPECT_FALSE(left->heard().done());
    EXPECT_TRUE(partFiles().empty());
    EXPECT_FALSE(fs::exists(cache("both.bin")));
}

// A download the computer cuts off waits while the link is being restored, then goes on from
// where it stopped with the link it is given, as often as each attempt gets further.
TEST_F(DownloadServiceTest, ACutDownloadWaitsForTheLinkAndGoesOnUntilWhole) {
    const std::string body = patternBytes(300'000, 1);
    serve("cut.bin", body);
    ASSERT_TRUE(startServer(closing(100'000)));  // every answer ends after 100'000 bytes
    std::vector<std::string> asked;
    service->setRelinker([&](const std::string& path) {
        asked.push_back(path);
        if (asked.size() <= 2) {
            return DownloadRelink{DownloadRelink::Kind::Wait, {}};
        }
        return DownloadRelink{DownloadRelink::Kind::Url, url("cut.bin")};
    });
    const Notice end = runKept("cut.bin", {300'000, 1});
    EXPECT_EQ(end.name, kHttpTaskSuccessNotification);
    EXPECT_EQ(numberOf(end.info, "status"), 206);
    EXPECT_TRUE(readFile(dest("cut.bin")) == body);
    EXPECT_EQ(asked, std::vector<std::string>(4, "C:/files/cut.bin"));  // 2 waits, 2 attempts
}

// A link the computer refuses (a restarted computer knows only new tickets) is tried again only
// when the relinker gives another one; and a download waiting for the link can be paused.
TEST_F(DownloadServiceTest, ARefusedLinkGoesAgainOnlyWhenRenewedAndAWaitCanBePaused) {
    serve("signed.bin", patternBytes(1000, 1));
    const std::string stale =
        buildSignedUrl("127.0.0.1", server->port(), "C:/signed.bin", kUuid, "an old ticket");
    for (const bool renewed : {false, true}) {
        SCOPED_TRACE(renewed);
        service->setRelinker([&](const std::string&) {
            return DownloadRelink{DownloadRelink::Kind::Url, renewed ? url("signed.bin") : stale};
        });
        notices.clear();
        service->downLoadWithURL(stale, dest("signed.bin"), temp("signed.bin"), "C:/signed.bin");
        ASSERT_TRUE(waitForEnds(1));
        EXPECT_EQ(ends().back().name,
                  renewed ? kHttpTaskSuccessNotification : kHttpTaskFailureNotification);
        EXPECT_EQ(numberOf(ends().back().info, "status"), renewed ? 200 : 403);
    }

    serve("wait.bin", patternBytes(300'000, 2));
    ASSERT_TRUE(startServer(closing(100'000)));
    bool asked = false;
    service->setRelinker([&](const std::string&) {
        asked = true;
        return DownloadRelink{DownloadRelink::Kind::Wait, {}};
    });
    notices.clear();
    download("wait.bin");
    ASSERT_TRUE(pumpMainUntil([&] { return asked; }, 20s));
    service->pauseDownload(url("wait.bin"));
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(ends().back().name, kHttpTaskFailureNotification);
    EXPECT_EQ(textOf(ends().back().info, "error"), "cancelled");
    EXPECT_EQ(sizeOf(temp("wait.bin")), 100'000u);  // kept for the next run
    EXPECT_TRUE(service->httpDownListArr().empty());
}

}  // namespace
