// Waking a remembered computer: which one a name finds, why one cannot be woken, and the
// packet that reaches the loopback network.

#include "app/WakeComputer.h"

#include "NetWork/WakeOnLan.h"
#include "model/ObjectStore.h"
#include "model/PcList.h"
#include "platform/NetworkInterfaces.h"
#include "support/BroadcastReceiver.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <chrono>

namespace pd::app {
namespace {

class WakeComputerTest : public TempHome {
  protected:
    void SetUp() override {
        ASSERT_NE(card.port(), 0) << "no UDP port free on 127.255.255.255";
        remember("DESK-TAG", "Desk PC", "127.0.0.1", "00:1a:2b:3c:4d:5e", 100);
        remember("OLD-TAG", "Old PC", "127.0.0.2", "", 200);
    }

    void remember(const std::string& tag, const std::string& name, const std::string& ip,
                  const std::string& hw, int paired) {
        const std::chrono::system_clock::time_point when{std::chrono::seconds(paired)};
        ASSERT_TRUE(addPcList(store, tag, true, "", when));
        ASSERT_TRUE(rememberPcAddress(store, *pcListByDeviceTag(store, tag), ip, name, hw));
    }

    WakeOutcome wake(const std::string& pc, std::optional<std::string> last = "DESK-TAG",
                     const std::string& interfaceName = {}) {
        WakeRequest request{pc, interfaceName, card.port()};
        return wakeComputer(store, last, request, loopbackOnly);
    }

    ObjectStore store{home() / "AppDataModel.sqlite"};
    FixedNetworkInterfaces loopbackOnly{{FixedNetworkInterfaces::loopback()}};
    test::BroadcastReceiver card;
};

TEST_F(WakeComputerTest, TheComputerIsFoundByTagNameOrAddressAndItsPacketArrives) {
    const MagicPacket packet = magicPacket(*parseHardwareAddress("00:1a:2b:3c:4d:5e"));
    const std::string expected(packet.begin(), packet.end());
    for (const std::string pc : {"", "DESK-TAG", "desk pc", "127.0.0.1", "127.0.0.1:6000:6001"}) {
        SCOPED_TRACE(pc);
        const WakeOutcome outcome = wake(pc);
        ASSERT_EQ(outcome.status, WakeStatus::Sent) << outcome.error;
        EXPECT_EQ(outcome.computer, "Desk PC");
        EXPECT_EQ(outcome.hwAddress, "00:1a:2b:3c:4d:5e");
        EXPECT_EQ(outcome.interfaceName, "lo");
        EXPECT_EQ(outcome.broadcast, "127.255.255.255");
        EXPECT_EQ(outcome.port, card.port());
        EXPECT_EQ(card.receive(), expected);
    }
}

TEST_F(WakeComputerTest, WhyAComputerCannotBeWoken) {
    const struct {
        const char* what;
        std::string pc;
        std::optional<std::string> last;
        std::string interfaceName;
        WakeStatus status;
        std::string computer;
    } cases[] = {
        {"nothing paired yet", "", std::nullopt, "", WakeStatus::NoComputer, ""},
        {"unknown name", "Nobody", "DESK-TAG", "", WakeStatus::NoComputer, "Nobody"},
        {"never learnt its address", "OLD-TAG", "DESK-TAG", "", WakeStatus::NoHardwareAddress,
         "Old PC"},
        {"last paired without address", "", "OLD-TAG", "", WakeStatus::NoHardwareAddress, "Old PC"},
        {"interface not there", "", "DESK-TAG", "eth9", WakeStatus::NoRoute, "Desk PC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const WakeOutcome outcome = wake(c.pc, c.last, c.interfaceName);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.computer, c.computer);
    }
    EXPECT_FALSE(card.receive(std::chrono::milliseconds(50)));  // nothing was sent
}

}  // namespace
}  // namespace pd::app
