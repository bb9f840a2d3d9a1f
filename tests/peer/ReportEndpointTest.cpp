// The peer's stand-in usage report service: what it reads from the phone's datagrams, the
// dispatcher answer it gives, and its socket on 127.0.0.1.

#include "ReportEndpoint.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

namespace pd::peer {
namespace {

using report::ServerKind;

std::vector<std::uint8_t> bytes(std::span<const std::uint8_t> s) {
    return {s.begin(), s.end()};
}

const report::ReportIdentity kIdentity{"0123456789ABCDEF", "FEDCBA9876543210",
                                       report::BuildLongVersion("1.0.2.3")};

TEST(ReportDatagrams, DecodesWhatThePhoneSendsAndNothingElse) {
    auto stats = bytes(report::buildStatisticsReport(kIdentity, 1700000000, 12));
    auto noMarker = stats;
    noMarker[30] = 87;  // the statistics report's 88 after the identifier
    auto keepAlive = bytes(report::buildKeepAliveReport(kIdentity));
    auto longer = keepAlive;
    longer.push_back(0);
    auto oddKind = bytes(report::buildServerInfoRequest(ServerKind::Statistics, kIdentity.pcid));
    oddKind[14] = 3;
    struct Case {
        std::vector<std::uint8_t> datagram;
        const char* json;
    };
    const Case cases[] = {
        {bytes(report::buildServerInfoRequest(ServerKind::KeepAlive, kIdentity.pcid)),
         R"({"event":"report","kind":"server_info_request","bytes":31,"server":"keep-alive",)"
         R"("pcid":"0123456789ABCDEF"})"},
        {bytes(report::buildServerInfoRequest(ServerKind::Statistics, "SHORT")),
         R"({"event":"report","kind":"server_info_request","bytes":31,"server":"statistics",)"
         R"("pcid":"SHORT"})"},
        {keepAlive, R"({"event":"report","kind":"keep_alive","bytes":73,"pcid":"0123456789ABCDEF",)"
                    R"("version":"1.0.2.3","version_md5":"FEDCBA9876543210"})"},
        {stats, R"({"event":"report","kind":"statistics","bytes":52,"pcid":"0123456789ABCDEF",)"
                R"("version":"1.0.2.3","time":1700000000,"button":12})"},
        {noMarker, R"({"event":"report","kind":"unknown","bytes":52})"},
        {longer, R"({"event":"report","kind":"unknown","bytes":74})"},
        {oddKind, R"({"event":"report","kind":"unknown","bytes":31})"},
        {{}, R"({"event":"report","kind":"unknown","bytes":0})"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(describeReportDatagram(c.datagram).dump(), c.json);
    }
}

TEST(ReportDatagrams, TheReplyIsOneThePhoneUses) {
    const auto reply = serverInfoReply(ServerKind::Statistics, 9000, "127.0.0.1");
    const auto info = report::parseServerInfoReply(reply);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->kind, ServerKind::Statistics);
    EXPECT_EQ(info->port, 9000);
    EXPECT_EQ(info->address, "127.0.0.1");
}

class ReportEndpointTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(endpoint_.start()) << endpoint_.error();
        client_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(client_, 0);
        to_.sin_family = AF_INET;
        to_.sin_port = htons(endpoint_.port());
        to_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    void TearDown() override {
        endpoint_.stop();
        if (client_ >= 0) {
            ::close(client_);
        }
    }
    void send(std::span<const std::uint8_t> datagram) {
        ::sendto(client_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to_),
                 sizeof to_);
    }
    // The next datagram for the client and its sender's port, within 5 s.
    std::vector<std::uint8_t> receive(std::uint16_t& fromPort) {
        pollfd p{client_, POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1) {
            return {};
        }
        std::vector<std::uint8_t> buffer(2048);
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = ::recvfrom(client_, buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &length);
        buffer.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
        fromPort = ntohs(from.sin_port);
        return buffer;
    }
    std::vector<std::string> printed() {
        std::lock_guard lock(mutex_);
        return printed_;
    }

    std::mutex mutex_;
    std::vector<std::string> printed_;
    ReportEndpoint endpoint_{{"127.0.0.1", 0, [this](const nlohmann::ordered_json& e) {
                                  std::lock_guard lock(mutex_);
                                  printed_.push_back(e.dump());
                              }}};
    int client_ = -1;
    sockaddr_in to_{};
};

TEST_F(ReportEndpointTest, NamesItselfAsTheServerAndPrintsEachReport) {
    send(report::buildServerInfoRequest(ServerKind::KeepAlive, kIdentity.pcid));
    std::uint16_t fromPort = 0;
    const auto reply = report::parseServerInfoReply(receive(fromPort));
    ASSERT_TRUE(reply);
    EXPECT_EQ(fromPort, endpoint_.port());  // the phone takes answers from the dispatcher only
    EXPECT_EQ(reply->kind, ServerKind::KeepAlive);
    EXPECT_EQ(reply->port, endpoint_.port());
    EXPECT_EQ(reply->address, "127.0.0.1");

    send(report::buildKeepAliveReport(kIdentity));
    ASSERT_TRUE(test::waitFor([&] { return printed().size() == 2; }));
    const auto lines = printed();
    EXPECT_NE(lines[0].find(R"("kind":"server_info_request")"), std::string::npos);
    EXPECT_NE(lines[0].find(R"("answered":true)"), std::string::npos);
    EXPECT_NE(lines[1].find(R"("kind":"keep_alive")"), std::string::npos);
}

TEST_F(ReportEndpointTest, RefusesADatagramLongerThanItReadsButTakesOneOfThatSize) {
    send(std::vector<std::uint8_t>(kMaxReportDatagram + 1, 7));
    send(std::vector<std::uint8_t>(kMaxReportDatagram, 7));
    send(std::vector<std::uint8_t>(60000, 7));
    ASSERT_TRUE(test::waitFor([&] { return endpoint_.received() == 3; }));
    endpoint_.stop();
    EXPECT_EQ(printed(), (std::vector<std::string>{
                             R"({"event":"report_ignored","bytes":1025,"reason":"too large"})",
                             R"({"event":"report","kind":"unknown","bytes":1024})",
                             R"({"event":"report_ignored","bytes":60000,"reason":"too large"})",
                         }));
}

TEST(ReportEndpoint, ATakenPortIsAnError) {
    ReportEndpoint first({"127.0.0.1", 0, nullptr});
    ASSERT_TRUE(first.start());
    ReportEndpoint second({"127.0.0.1", first.port(), nullptr});
    EXPECT_FALSE(second.start());
    EXPECT_NE(second.error().find("cannot bind"), std::string::npos);
}

}  // namespace
}  // namespace pd::peer
