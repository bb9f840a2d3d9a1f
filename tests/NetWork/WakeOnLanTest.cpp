// The magic packet byte for byte, the interface a packet leaves by, and a packet sent on the
// loopback network as a sleeping computer's card would see it.

#include "NetWork/WakeOnLan.h"

#include "support/BroadcastReceiver.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace pd {
namespace {

const HardwareAddress kAddress{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0xfe};

std::string expectedPacket() {
    std::string bytes(6, '\xff');
    for (int i = 0; i < 16; ++i) {
        bytes += std::string("\x00\x1a\x2b\x3c\x4d\xfe", 6);
    }
    return bytes;
}

TEST(WakeOnLanTest, PacketIsSixFfBytesAndTheAddressSixteenTimes) {
    const MagicPacket packet = magicPacket(kAddress);
    EXPECT_EQ(std::string(packet.begin(), packet.end()), expectedPacket());
    EXPECT_EQ(packet.size(), 102u);
}

TEST(WakeOnLanTest, PacketLeavesByTheInterfaceWhoseSubnetHoldsTheComputer) {
    const NetInterface wifi{"wlan0", "192.168.1.20", "255.255.255.0", "192.168.1.255", false, true};
    const NetInterface wide{"eth0", "192.168.0.5", "255.255.0.0", "192.168.255.255", false, true};
    const NetInterface down{"eth1", "10.0.0.2", "255.0.0.0", "10.255.255.255", false, false};
    const NetInterface noMask{"tun0", "172.16.0.1", "", "", false, true};
    const NetInterface lo = FixedNetworkInterfaces::loopback();
    NetInterface bareLo = lo;  // as the system reports it: no broadcast address
    bareLo.broadcast.clear();

    using Route = std::optional<WakeRoute>;
    const std::tuple<const char*, std::vector<NetInterface>, std::string, std::string, Route>
        cases[] = {
            {"one subnet",
             {lo, wifi},
             "192.168.1.77",
             "",
             WakeRoute{"wlan0", "192.168.1.20", "192.168.1.255"}},
            {"narrowest wins",
             {wide, wifi},
             "192.168.1.77",
             "",
             WakeRoute{"wlan0", "192.168.1.20", "192.168.1.255"}},
            {"only the wide one",
             {wide, wifi},
             "192.168.7.7",
             "",
             WakeRoute{"eth0", "192.168.0.5", "192.168.255.255"}},
            {"interface down", {down}, "10.1.1.1", "", std::nullopt},
            {"no subnet holds it", {lo, wifi}, "8.8.8.8", "", std::nullopt},
            {"no netmask", {noMask}, "172.16.0.9", "", std::nullopt},
            {"not an address", {wifi}, "nowhere", "", std::nullopt},
            {"loopback computes its broadcast",
             {bareLo},
             "127.0.0.1",
             "",
             WakeRoute{"lo", "127.0.0.1", "127.255.255.255"}},
            {"named interface, other subnet",
             {lo, wifi},
             "192.168.1.77",
             "lo",
             WakeRoute{"lo", "127.0.0.1", "127.255.255.255"}},
            {"named interface unknown", {lo, wifi}, "192.168.1.77", "eth9", std::nullopt},
            {"named interface down", {down}, "10.1.1.1", "eth1", std::nullopt},
        };
    for (const auto& [what, interfaces, ip, only, expected] : cases) {
        EXPECT_EQ(wakeRouteFor(interfaces, ip, only), expected) << what;
    }
}

TEST(WakeOnLanTest, PacketBroadcastOnLoopbackArrivesWhole) {
    test::BroadcastReceiver card;
    ASSERT_NE(card.port(), 0) << "no UDP port free on 127.255.255.255";
    const WakeSendResult sent =
        sendMagicPacket(magicPacket(kAddress), "127.255.255.255", card.port(), true, "127.0.0.1");
    ASSERT_TRUE(sent.sent) << sent.error;
    EXPECT_EQ(card.receive(), expectedPacket());

    const WakeSendResult bad = sendMagicPacket(magicPacket(kAddress), "nowhere", card.port(), true);
    EXPECT_FALSE(bad.sent);
    EXPECT_NE(bad.error.find("nowhere"), std::string::npos) << bad.error;
}

}  // namespace
}  // namespace pd
