// The peer's HTTP file service: signed links, ranges and request limits. Its fault options are
// met by the download tests.

#include "HttpFileService.h"
#include "PeerTestSupport.h"
#include "RatePacer.h"
#include "TicketBook.h"
#include "codec/SignedLink.h"
#include "platform/UrlEncode.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

namespace pd::peer {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kUuid = "0123456789ABCDEF";
constexpr const char* kTicket = "T1cketT1cketT1cketT1cketT1cket00";

std::string patterned(std::size_t size, unsigned seed = 7) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        s[i] = static_cast<char>((i * 131 + seed + i / 4099) & 0xff);
    }
    return s;
}

void put(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

// Sends raw bytes and reads what comes back until the service closes (or 5 s pass).
std::string rawExchange(std::uint16_t port, const std::string& bytes) {
    const int fd = test::connectLoopback(port);
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_WR);  // nothing more comes: the service closes once it has answered
    std::string reply;
    char buf[4096];
    for (ssize_t n = 0; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) {
        reply.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return reply;
}

// The request target of the phone's signed link (the phone's own code builds it).
std::string signedTarget(const std::string& path, const std::string& uuid = kUuid,
                         const std::string& ticket = kTicket) {
    std::string url = buildSignedUrl("127.0.0.1", 1, path, uuid, ticket);
    return url.substr(std::string("http://127.0.0.1:1").size());
}

class HttpFileServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::path root = dir_.path() / "disk";
        put(root / "c" / "big.bin", big_);
        put(root / "c" / "My Docs" / "a+b é.txt", "plus and accent");
        put(root / "c" / "empty.txt", "");
        put(root / "Desktop" / "note.txt", "on the desk");
        fs::create_directories(root / "c" / "folder");
        put(dir_.path() / "secret.txt", "outside the root");
        fs::create_symlink(dir_.path() / "secret.txt", root / "c" / "leak.txt");
        disk_ = DiskTree::open(root);
        ASSERT_TRUE(disk_);
        tickets_.issue(kUuid, kTicket);
        service_ = HttpFileService::start("127.0.0.1", 0, *disk_, tickets_);
        ASSERT_TRUE(service_);
    }

    httplib::Result get(const std::string& target, const httplib::Headers& headers = {}) {
        httplib::Client client("127.0.0.1", service_->port());
        return client.Get(target.c_str(), headers);
    }

    test::TempFolder dir_;
    std::optional<DiskTree> disk_;
    TicketBook tickets_;
    std::unique_ptr<HttpFileService> service_;
    const std::string big_ = patterned(3 * 1024 * 1024 + 17);
};

// A link is served only when it names a file inside the tree and is signed, for exactly its
// escaped path, with a ticket issued to its device. A refused link says nothing of files.
TEST_F(HttpFileServiceTest, LinksAreServedOnlySignedAndInsideTheTree) {
    // A reconnection issues a newer ticket; links signed with either are accepted.
    tickets_.issue(kUuid, "NewerTicket");
    const std::string good = signedTarget("C:/big.bin");
    std::string badKey = good;
    badKey.back() = badKey.back() == '0' ? '1' : '0';
    const std::string escaped = UrlEncode::encodeToPercentEscapeString("C:/big.bin");
    const std::string otherPath = UrlEncode::encodeToPercentEscapeString("C:/x");
    const std::string badEscape = "C%3A%2Fbig%ZZ";
    struct Case {
        std::string target;
        int status;
        std::string body = "";
    };
    const Case cases[] = {
        // Spaces, "+", non-ASCII and backslashes are escaped by the phone and signed as escaped.
        {good, 200, big_},
        {signedTarget("C:\\My Docs\\a+b é.txt"), 200, "plus and accent"},
        {signedTarget("c:/empty.txt"), 200, ""},
        {signedTarget("Desktop/note.txt"), 200, "on the desk"},
        {signedTarget("Desktop/note.txt", kUuid, "NewerTicket"), 200, "on the desk"},
        {badKey, 403},
        {signedTarget("C:/big.bin", "FEDCBA9876543210"), 403},  // another device
        {signedTarget("C:/big.bin", kUuid, "NeverIssued"), 403},
        {signedTarget("C:/big.bin", kUuid, ""), 403},
        {signedTarget("C:/missing.txt", kUuid, "NeverIssued"), 403},
        {"/" + escaped, 403},                                           // no d, no k
        {"/" + escaped + "?d=" + kUuid, 403},                           // no k
        {"/" + escaped + "?k=" + signedUrlKey(escaped, kTicket), 403},  // no d
        // Signed for one path, used for another; the raw (unescaped) path is not signed.
        {std::string(good).replace(1, escaped.size(), otherPath), 403},
        {"/C:/big.bin?d=" + std::string(kUuid) + "&k=" + signedUrlKey(escaped, kTicket), 403},
        // Folders, missing files, paths out of the tree; a malformed escape is no path at all.
        {signedTarget("C:/folder"), 404},
        {signedTarget("C:/"), 404},
        {signedTarget(""), 404},
        {signedTarget("C:/missing.txt"), 404},
        {signedTarget("Q:/big.bin"), 404},
        {signedTarget("C:/folder/../../secret.txt"), 404},
        {signedTarget("C:/leak.txt"), 404},
        {"/" + badEscape + "?d=" + kUuid + "&k=" + signedUrlKey(badEscape, kTicket), 404},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        const httplib::Result r = get(c.target);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, c.status);
        EXPECT_EQ(r->get_header_value("Content-Length"), std::to_string(c.body.size()));
        EXPECT_TRUE(r->body == c.body);
    }
}

TEST_F(HttpFileServiceTest, RangesAnswer206WithTheExactContentRangeAnd416BeyondTheEnd) {
    const std::string target = signedTarget("C:/big.bin");
    const std::string total = std::to_string(big_.size());
    const std::uint64_t end = big_.size() - 1;
    struct Case {
        std::string range;
        int status;  // 200 (several ranges, bad syntax, other units): the whole file
        std::uint64_t first = 0;
        std::uint64_t last = 0;
    };
    const Case cases[] = {{"bytes=10-19", 206, 10, 19},
                          {"bytes=0-0", 206, 0, 0},
                          {"bytes=-5", 206, end - 4, end},
                          {"bytes=100-99999999999", 206, 100, end},
                          {"bytes=" + std::to_string(end) + "-", 206, end, end},
                          {"bytes=" + total + "-" + total + "0", 416},
                          {"bytes=99999999999999999999999-", 416},
                          {"bytes=" + std::string(6000, '1') + "-", 416},
                          {"bytes=0-1, 5-6", 200},
                          {"bytes=0-1,7-5", 200},
                          {"bytes=7-5", 200},
                          {"items=1-2", 200},
                          {"bytes=1-2junk", 200},
                          {"bytes=1-2,3-4,5-6,7-8,9-10,11-12", 200},
                          {"bytes= 5 - 7 ", 206, 5, 7},
                          {"bytes=-99999999", 206, 0, end},  // a suffix longer than the file
                          {"bytes=-0", 416},
                          {"bytes=-", 200},
                          {"bytes=x-", 200},
                          {"bytes", 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range.substr(0, 40));
        httplib::Result r = get(target, {{"Range", c.range}});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, c.status);
        const std::string body = c.status == 206   ? big_.substr(c.first, c.last - c.first + 1)
                                 : c.status == 200 ? big_
                                                   : "";
        EXPECT_TRUE(r->body == body);
        EXPECT_EQ(r->get_header_value("Content-Length"), std::to_string(body.size()));
        EXPECT_EQ(r->get_header_value("Content-Range"),
                  c.status == 206 ? "bytes " + std::to_string(c.first) + "-" +
                                        std::to_string(c.last) + "/" + total
                  : c.status == 416 ? "bytes */" + total
                                    : "");
    }
    httplib::Result empty = get(signedTarget("C:/empty.txt"), {{"Range", "bytes=0-"}});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->status, 416);
    EXPECT_EQ(empty->get_header_value("Content-Range"), "bytes */0");
}

TEST(RatePacer, SpacesChunksByTheRate) {
    RatePacer::Clock::time_point start{};
    RatePacer pacer(1000, start);
    EXPECT_EQ(pacer.readyAt(0), start);
    EXPECT_EQ(pacer.readyAt(500), start + 500ms);
    EXPECT_EQ(pacer.readyAt(3000), start + 3s);
    EXPECT_GT(RatePacer(1, start).readyAt(UINT64_MAX), start + 24h);  // saturates, no overflow
}

// Stopping returns without waiting for a transfer, and twice is harmless; a busy port or a bad
// address is reported.
TEST_F(HttpFileServiceTest, StopEndsASlowTransferAndStartFailuresAreReported) {
    HttpFaults slow;
    slow.bytesPerSecond = 1024;  // the file would take most of an hour
    auto t = HttpFileService::start("127.0.0.1", 0, *disk_, tickets_, slow);
    ASSERT_TRUE(t);
    EXPECT_FALSE(HttpFileService::start("127.0.0.1", t->port(), *disk_, tickets_));
    EXPECT_FALSE(HttpFileService::start("localhost", 0, *disk_, tickets_));
    std::atomic<std::size_t> received{0};
    std::thread download([&] {
        httplib::Client client("127.0.0.1", t->port());
        client.Get(signedTarget("C:/big.bin").c_str(), [&](const char*, size_t n) {
            received += n;
            return true;
        });
    });
    EXPECT_TRUE(pd::test::waitFor([&] { return received > 0; }));
    t->stop();
    download.join();
    EXPECT_LT(received.load(), big_.size());
    t->stop();
}

TEST_F(HttpFileServiceTest, BoundsWhatARequestMaySend) {
    std::string target = signedTarget("Desktop/note.txt");
    std::string many = "GET " + target + " HTTP/1.1\r\nConnection: close\r\n";
    for (int i = 0; i < 100; ++i) {
        many += "X-" + std::to_string(i) + ": y\r\n";
    }
    EXPECT_EQ(rawExchange(service_->port(), many + "\r\n").substr(0, 12), "HTTP/1.1 431");
    // Endless headers are cut off at the request budget, not stored.
    std::string endless = "GET " + target + " HTTP/1.1\r\n";
    while (endless.size() < 2 * BoundedHttpServer::kMaxRequestBytes) {
        endless += "X-Padding: " + std::string(4000, 'p') + "\r\n";  // few, long headers
    }
    EXPECT_EQ(rawExchange(service_->port(), endless).find("on the desk"), std::string::npos);
    std::string longLine =
        "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(rawExchange(service_->port(), longLine).substr(0, 12), "HTTP/1.1 414");
    std::string post = "POST " + target + " HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc";
    EXPECT_EQ(rawExchange(service_->port(), post).substr(0, 12), "HTTP/1.1 405");
    // The service is still well after all that.
    EXPECT_EQ(get(target)->body, "on the desk");
}

TEST(TicketBook, KeepsTheNewestTicketsOfTheNewestDevices) {
    EXPECT_EQ(TicketBook::deviceUuidOf("Some-Model-ABC"), "ABC");
    EXPECT_EQ(TicketBook::deviceUuidOf("NoDash"), "NoDash");
    EXPECT_EQ(TicketBook::deviceUuidOf("Model-"), "");

    TicketBook book;
    for (std::size_t i = 0; i < TicketBook::kMaxTicketsPerDevice + 4; ++i) {
        book.issue("A", "t" + std::to_string(i));
    }
    book.issue("A", "t10");  // issued again: it becomes the newest, not a duplicate
    std::vector<std::string> a = book.ticketsFor("A");
    ASSERT_EQ(a.size(), TicketBook::kMaxTicketsPerDevice);
    EXPECT_EQ(a.front(), "t10");
    EXPECT_EQ(std::count(a.begin(), a.end(), "t10"), 1);
    EXPECT_EQ(std::count(a.begin(), a.end(), "t3"), 0);  // the oldest went
    EXPECT_EQ(std::count(a.begin(), a.end(), "t4"), 1);

    for (std::size_t i = 0; i < TicketBook::kMaxDevices; ++i) {
        book.issue("device" + std::to_string(i), "t");
    }
    EXPECT_TRUE(book.ticketsFor("A").empty());
    EXPECT_EQ(book.ticketsFor("device0").size(), 1u);
    EXPECT_TRUE(book.ticketsFor("never").empty());
}

}  // namespace
}  // namespace pd::peer
