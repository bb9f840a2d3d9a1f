// Discovery on loopback: the phone's search against the peer's responder and against a computer
// whose replies the test writes. Nothing here leaves 127.0.0.0/8.

#include "BroadcastResponder.h"
#include "NetWork/CFindBroadcast.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <ranges>
#include <string>
#include <tuple>
#include <vector>

using namespace pd;
using namespace pd::test;
using ServerMap = CFindBroadcast::ServerMap;
using namespace std::string_literals;

namespace {

sockaddr_in loopbackAddress(const char* dotted, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, dotted, &address.sin_addr);
    return address;
}

bool canBind(const char* dotted, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopbackAddress(dotted, port);
    const bool ok = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// A computer whose replies the test writes: a socket on the loopback broadcast address, on an
// ephemeral port that the phone can bind on 127.0.0.1 as well.
class CraftedComputer {
  public:
    CraftedComputer() {
        for (int attempt = 0; attempt < 20 && port_ == 0; ++attempt) {
            fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            const int one = 1;
            ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
            sockaddr_in address = loopbackAddress("127.255.255.255", 0);
            socklen_t length = sizeof address;
            if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
                canBind("127.0.0.1", ntohs(address.sin_port))) {
                port_ = ntohs(address.sin_port);
            } else {
                ::close(fd_);
            }
        }
    }
    ~CraftedComputer() {
        if (port_ != 0) {
            ::close(fd_);
        }
    }
    std::uint16_t port() const { return port_; }

    // The next datagram, remembering its sender for reply().
    std::optional<std::string> receive(std::chrono::milliseconds limit = 5s) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(limit.count())) != 1) {
            return std::nullopt;
        }
        char bytes[4096];
        socklen_t length = sizeof phone_;
        const ssize_t got =
            ::recvfrom(fd_, bytes, sizeof bytes, 0, reinterpret_cast<sockaddr*>(&phone_), &length);
        return std::string(bytes, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    std::string senderText() const {
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &phone_.sin_addr, text, sizeof text);
        return std::string(text) + ":" + std::to_string(ntohs(phone_.sin_port));
    }
    bool reply(std::string_view bytes) {
        return ::sendto(fd_, bytes.data(), bytes.size(), 0,
                        reinterpret_cast<const sockaddr*>(&phone_),
                        sizeof phone_) == static_cast<ssize_t>(bytes.size());
    }

  private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
    sockaddr_in phone_{};
};

// Records finish callbacks, which arrive on the search thread.
struct Finish {
    CFindBroadcast::FinishBlock block() {
        return [this](ServerMap map) {
            std::lock_guard lock(mutex);
            map_ = std::move(map);
            ++calls;
        };
    }
    bool wait() {
        return waitFor([this] { return calls > 0; });
    }
    ServerMap result() {
        std::lock_guard lock(mutex);
        return map_;
    }
    std::atomic<int> calls{0};
    std::mutex mutex;
    ServerMap map_;
};

CFindBroadcast::Options loopbackOptions(std::uint16_t port, std::chrono::milliseconds idle) {
    CFindBroadcast::Options options;
    options.interfaces = std::make_shared<FixedNetworkInterfaces>(
        std::vector<NetInterface>{FixedNetworkInterfaces::loopback()});
    options.interfaceName = "lo";
    options.port = port;
    options.idleTimeout = idle;
    return options;
}

// A search on loopback against a computer whose replies the test writes.
struct CraftedSearch {
    explicit CraftedSearch(std::chrono::milliseconds idle, std::chrono::milliseconds limit = 15s) {
        CFindBroadcast::Options options = loopbackOptions(computer.port(), idle);
        options.searchLimit = limit;
        find = std::make_unique<CFindBroadcast>(options);
        find->BdCastfinishBlock(finish.block());
    }
    // Starts the search and takes its first request.
    bool start() { return computer.port() != 0 && find->FindServerList() && computer.receive(); }
    CraftedComputer computer;
    Finish finish;
    std::unique_ptr<CFindBroadcast> find;
};

std::string reply(std::string_view ipLine,
                  std::string_view more = "QVRWSAP-Support:TRUE\r\nQVRWSAP-Port:8866") {
    return "QVR-Broadcast/1.0 200 OK\r\n" + std::string(ipLine) + "\r\n" + std::string(more);
}

}  // namespace

TEST(DiscoveryRequest, IsTheFixedTextSentTwiceFromThePhonesAddress) {
    const std::string expected(
        "broadcast QVR-Broadcast/1.0 \r\n"
        "Device-Type:Mobile-Client \r\n"
        "Device-Name:iPhone \r\n"
        "User-Agent:kestrel/1.0.2.3 (IOS7.1) \r\n"
        "Date: Wed, 12 Mar 2010 12:55:57 GMT \r\n"
        "\r\n\0",
        158);
    CraftedSearch s(200ms);
    ASSERT_NE(s.computer.port(), 0);
    ASSERT_TRUE(s.find->FindServerList());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(s.computer.receive(), expected);
        EXPECT_EQ(s.computer.senderText(), "127.0.0.1:" + std::to_string(s.computer.port()));
    }
    // Silence ends the search, once, with nothing found.
    ASSERT_TRUE(s.finish.wait());
    EXPECT_EQ(s.finish.calls, 1);
    EXPECT_TRUE(s.finish.result().empty());
    EXPECT_FALSE(s.find->isSearching());
}

TEST(CFindBroadcast, FindsThePeersResponderOnce) {
    peer::BroadcastResponder responder(
        {.port = 0, .name = "Study-PC", .tag = "0A1B2C3D", .controlPort = 5001, .httpPort = 8081});
    ASSERT_TRUE(responder.start()) << responder.error();

    // Datagrams other than the discovery request get no answer.
    const int other = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(other, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    const sockaddr_in to = loopbackAddress("127.255.255.255", responder.port());
    for (std::string_view bytes : {"hello"s, "broadcast OTHER/1.0 \r\n\r\n"s}) {
        ::sendto(other, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to);
    }
    ::close(other);

    CFindBroadcast find(loopbackOptions(responder.port(), 300ms));
    Finish finish;
    find.BdCastfinishBlock(finish.block());
    ASSERT_TRUE(find.FindServerList());
    ASSERT_TRUE(finish.wait());

    // Both requests were answered (the count follows each send); the second reply adds nothing.
    EXPECT_TRUE(waitFor([&] { return responder.answered() >= 2u; }));
    EXPECT_EQ(responder.answered(), 2u);
    const ServerMap found = finish.result();
    ASSERT_EQ(found.size(), 1u);
    ASSERT_EQ(found.begin()->first, "IP:127.0.0.1");
    const ServerData& pc = found.begin()->second;
    EXPECT_EQ(std::tie(pc.IP, pc.DeviceName, pc.DeviceNameTag, pc.WSAPPort, pc.HttpPort),
              std::make_tuple("127.0.0.1"s, "Study-PC"s, "0A1B2C3D"s, 5001, 8081));
    responder.stop();  // and again when it goes
}

TEST(CFindBroadcast, KeepsOnlyRepliesThatNameAUsableComputer) {
    CraftedSearch s(300ms);
    ASSERT_TRUE(s.start());
    const std::string office =
        reply("IP: 192.168.1.5 ",
              "Device-Name:OFFICE-PC-7F3A\r\nQVRWSAP-Support:TRUE\r\nQVRWSAP-Port:8866\r\n"
              "Http-Port:8080\r\n");
    const std::string replies[] = {
        office,
        office,  // a repeat
        reply("IP:10.0.0.2", "QVRWSAP-Support:FALSE "),
        reply("IP:10.0.0.3", "QVRWSAP-Support:FALSE\r\nQVRWSAP-Port:1"),
        reply("IP:10.0.0.10", "QVRWSAP-Support:TRUE"),  // no control port
        reply("IP:10.0.0.5", "Device-Name:NOSUPPORT-1"),
        reply("IP:host.example", "QVRWSAP-Support:TRUE"),
        reply("IP:10.0.0.256", "QVRWSAP-Support:TRUE"),
        reply("Device-Name:NOADDRESS-1", "QVRWSAP-Support:TRUE"),
        reply("IP:10.0.0.7", "QVRWSAP-Support:TRUE\xff"),  // not UTF-8
        "IP:10.0.0.8 QVRWSAP-Support:TRUE",                // one line only
        "first\r\nIP:10.0.0.9\r\nQVRWSAP-Support:TRUE\r\nQVRWSAP-Port:9\0\r\nHttp-Port:1"s,
    };
    for (const std::string& bytes : replies) {
        ASSERT_TRUE(s.computer.reply(bytes));
    }
    ASSERT_TRUE(s.finish.wait());
    const ServerMap found = s.finish.result();
    const auto keys = std::views::keys(found);
    EXPECT_EQ(std::vector<std::string>(keys.begin(), keys.end()),
              (std::vector<std::string>{"IP: 192.168.1.5 ", "IP:10.0.0.3", "IP:10.0.0.9"}));
    EXPECT_EQ(found.at("IP: 192.168.1.5 ").HttpPort, 8080);
    // Nothing after the zero byte counts.
    EXPECT_EQ(found.at("IP:10.0.0.9").HttpPort, 0);
}

// A search runs on the named interface (loopback included, its broadcast address computed from
// the mask when missing) or else on the last usable one; without one it ends at once.
TEST(CFindBroadcast, PicksTheInterfaceToSearchOnAndEndsAtOnceWithoutOne) {
    const NetInterface lo = FixedNetworkInterfaces::loopback();
    NetInterface bareLo = lo;
    bareLo.broadcast.clear();
    const NetInterface wifi{"wlan0", "192.168.1.20", "255.255.255.0", "192.168.1.255", false, true};
    const NetInterface wired{"eth0", "10.1.2.3", "255.255.0.0", "10.1.255.255", false, true};
    const NetInterface tunnel{"tun0", "10.8.0.2", "255.255.255.255", "", false, true};
    const NetInterface bad{"odd0", "not-an-address", "255.0.0.0", "10.255.255.255", false, true};
    const std::string none = "  ";
    const std::tuple<std::vector<NetInterface>, std::string, std::string> cases[] = {
        {{wifi, lo, tunnel}, "", "192.168.1.20 255.255.255.0 192.168.1.255"},
        {{wifi, wired, bad}, "", "10.1.2.3 255.255.0.0 10.1.255.255"},
        {{wifi, wired}, "wlan0", "192.168.1.20 255.255.255.0 192.168.1.255"},
        {{wifi, bareLo}, "lo", "127.0.0.1 255.0.0.0 127.255.255.255"},
        {{lo, tunnel}, "", none},
        {{}, "", none},
        {{lo}, "eth9", none},
    };
    for (const auto& [list, name, expected] : cases) {
        SCOPED_TRACE(name + ": " + expected);
        // A whole minute of patience: only an immediate end lets the wait below succeed.
        CFindBroadcast::Options o = loopbackOptions(1, 60s);
        o.interfaces = std::make_shared<FixedNetworkInterfaces>(list);
        o.interfaceName = name;
        CFindBroadcast find(o);
        find.GetIPAddress();
        EXPECT_EQ(find.szIpAddr() + " " + find.szSubMask() + " " + find.szBroadCast(), expected);
        if (expected == none) {
            Finish finish;
            find.BdCastfinishBlock(finish.block());
            ASSERT_TRUE(find.FindServerList());
            ASSERT_TRUE(finish.wait());
            EXPECT_TRUE(finish.result().empty());
        }
    }
}

TEST(CFindBroadcast, ASecondSearchJoinsTheRunningOne) {
    CraftedSearch s(300ms);
    Finish second;
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.computer.reply(reply("IP:10.0.0.1")));
    ASSERT_TRUE(waitFor([&] { return s.find->lanServerDic().size() == 1; }));

    // The running search reports to the callback registered last, with what it found.
    s.find->BdCastfinishBlock(second.block());
    EXPECT_TRUE(s.find->isSearching());
    EXPECT_FALSE(s.find->FindServerList());
    ASSERT_TRUE(second.wait());
    EXPECT_EQ(s.finish.calls, 0);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(second.result().size(), 1u);
    // One search sent its two requests; no second one was started.
    ASSERT_TRUE(s.computer.receive());
    EXPECT_FALSE(s.computer.receive(50ms));

    // Once it has ended, a new search starts afresh.
    ASSERT_TRUE(s.find->FindServerList());
    ASSERT_TRUE(s.computer.receive());
    ASSERT_TRUE(waitFor([&] { return second.calls == 2; }));
    EXPECT_TRUE(second.result().empty());
}

TEST(CFindBroadcast, HoldsAtMost256Computers) {
    CraftedSearch s(60s);
    ASSERT_TRUE(s.start());
    // In small bursts, so that the phone's receive buffer never overflows.
    for (int i = 0; i < 300 && s.finish.calls == 0; ++i) {
        const std::string ip = "IP:10.0." + std::to_string(i / 200) + "." + std::to_string(i % 200);
        ASSERT_TRUE(s.computer.reply(reply(ip)));
        if (i % 16 == 15) {
            ASSERT_TRUE(waitFor([&] {
                return s.find->lanServerDic().size() >= static_cast<std::size_t>(i + 1) ||
                       s.finish.calls > 0;
            }));
        }
    }
    // Full, the search ends without waiting for silence.
    ASSERT_TRUE(s.finish.wait());
    EXPECT_EQ(s.finish.result().size(), 256u);
}

TEST(CFindBroadcast, EndsAtItsTimeLimitWhileRepliesKeepComing) {
    CraftedSearch s(60s, 300ms);
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(waitFor([&] {
        s.computer.reply(reply("IP:10.0.0.1"));
        return s.finish.calls > 0;
    }));
    EXPECT_EQ(s.finish.result().size(), 1u);
}

TEST(CFindBroadcast, DestroyingItCancelsARunningSearch) {
    CraftedSearch s(60s);
    ASSERT_TRUE(s.start());
    s.find.reset();
    EXPECT_EQ(s.finish.calls, 0);
    // Its port is free again at once.
    EXPECT_TRUE(canBind("127.0.0.1", s.computer.port()));
}

TEST(BroadcastResponder, RefusesWhatItCannotAnnounceOrBind) {
    const peer::BroadcastResponderOptions cases[] = {
        {.tag = "TAG"},  // the one that starts
        {.tag = "A-B"},
        {.name = "a:b", .tag = "T"},
        {.name = "two\r\nlines", .tag = "T"},
        {.name = std::string(500, 'n'), .tag = "T"},
        {.announcedAddress = "localhost", .tag = "T"},
        {.bindAddress = "nowhere", .tag = "T"},
    };
    for (peer::BroadcastResponderOptions o : cases) {
        o.port = 0;
        peer::BroadcastResponder responder(o);
        EXPECT_EQ(responder.start(), o.tag == "TAG") << o.name << " " << o.tag;
    }

    // A port someone else holds is an error to report, not a crash.
    CraftedComputer holder;
    ASSERT_NE(holder.port(), 0);
    peer::BroadcastResponder responder({.port = holder.port(), .tag = "TAG"});
    EXPECT_FALSE(responder.start());
    EXPECT_NE(responder.error(), "");
}

TEST(CFindBroadcast, AsksGivenAddressesInsteadOfBroadcasting) {
    peer::BroadcastResponder responder({.port = 0,
                                        .name = "Lab-PC",
                                        .tag = "11AA",
                                        .controlPort = 5002,
                                        .unicastAddress = "127.0.0.1"});
    ASSERT_TRUE(responder.start()) << responder.error();
    // A host beside loopback's first /24: outside the interface's network below, so never asked.
    const int outside = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in outsideAddress = loopbackAddress("127.0.1.5", responder.port());
    ASSERT_EQ(
        ::bind(outside, reinterpret_cast<const sockaddr*>(&outsideAddress), sizeof outsideAddress),
        0);

    CFindBroadcast::Options options = loopbackOptions(responder.port(), 300ms);
    NetInterface lo = FixedNetworkInterfaces::loopback();
    lo.netmask = "255.255.255.0";
    options.interfaces = std::make_shared<FixedNetworkInterfaces>(std::vector<NetInterface>{lo});
    CFindBroadcast find(options);
    Finish finish;
    find.BdCastfinishBlock(finish.block());
    ASSERT_TRUE(find.FindServersAt({"127.0.0.1", "not-an-address", "127.0.0.1", "127.0.1.5"}));
    ASSERT_TRUE(finish.wait());

    const ServerMap found = finish.result();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.begin()->second.DeviceNameTag, "11AA");
    EXPECT_EQ(found.begin()->second.WSAPPort, 5002);
    // One address given twice is asked once (the request goes twice, as a broadcast does); the
    // search ended at the first answer, as everyone asked had answered.
    EXPECT_TRUE(waitFor([&] { return responder.answered() >= 2u; }));
    pollfd pfd{outside, POLLIN, 0};
    EXPECT_EQ(::poll(&pfd, 1, 100), 0);
    EXPECT_EQ(responder.answered(), 2u);
    ::close(outside);

    // Nothing to ask: the search ends at once, empty.
    Finish empty;
    find.BdCastfinishBlock(empty.block());
    ASSERT_TRUE(find.FindServersAt({}));
    ASSERT_TRUE(empty.wait());
    EXPECT_TRUE(empty.result().empty());
}
