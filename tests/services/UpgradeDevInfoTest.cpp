#include "services/UpgradeDevInfo.h"

#include "platform/Keychain.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>

#include <thread>
#include <vector>

using pd::Keychain;
using pd::UpgradeDevInfo;

namespace {

// Every test has a home of its own, so the shared keychain starts as an empty file.
class DeviceIdentity : public pd::test::TempHome {
  protected:
    void SetUp() override { UpgradeDevInfo::resetForTests(); }
    void TearDown() override {
        UpgradeDevInfo::resetForTests();
        Keychain::setShared(nullptr);
    }
};

}  // namespace

TEST(UpgradeDevInfoText, ShortMd5AndModelNames) {
    EXPECT_EQ(UpgradeDevInfo::Get16bitMD5("abc"), "3CD24FB0D6963F7D");
    EXPECT_EQ(UpgradeDevInfo::PlatformStringFor("iPhone6,1"), "iPhone 5s (GSM)");
    EXPECT_EQ(UpgradeDevInfo::PlatformStringFor("iPad2,4"), "iPad 2 (WiFi)");
    EXPECT_EQ(UpgradeDevInfo::PlatformStringFor("x86_64"), "Simulator");
    EXPECT_EQ(UpgradeDevInfo::PlatformStringFor("iPhone8,1"), "UnKown");
    EXPECT_EQ(UpgradeDevInfo::PlatformStringFor(""), "UnKown");
}

// The identifier is kept in the keychain file of the home and stays the same, also for a new
// process; a sound stored value wins and a damaged one is replaced.
TEST_F(DeviceIdentity, IdentifierIsStoredOnceAndStable) {
    for (const char* stored : {"", "0123456789ABCDEF", "short"}) {
        SCOPED_TRACE(stored);
        UpgradeDevInfo::resetForTests();
        Keychain::shared().remove(UpgradeDevInfo::kKeychainService);
        if (*stored) {
            ASSERT_TRUE(Keychain::shared().add(UpgradeDevInfo::kKeychainService, stored));
        }
        const std::string first = UpgradeDevInfo::GetUUID();
        EXPECT_TRUE(UpgradeDevInfo::isWellFormedIdentifier(first)) << first;
        if (std::string(stored) == "0123456789ABCDEF") {
            EXPECT_EQ(first, stored);
        }
        pd::FileKeychain onDisk(home() / "Library" / "keychain");
        EXPECT_EQ(onDisk.find(UpgradeDevInfo::kKeychainService), first);
        EXPECT_EQ(UpgradeDevInfo::GetUUID(), first);
        UpgradeDevInfo::resetForTests();
        EXPECT_EQ(UpgradeDevInfo::GetUUID(), first);
    }
}

TEST_F(DeviceIdentity, FailingKeychainStillGivesOneFullIdentifierForTheProcess) {
    // A keychain file that cannot be written: its folder would be a plain file.
    std::ofstream(home() / "plain") << "x";
    Keychain& own = Keychain::shared();
    Keychain::setShared(std::make_shared<pd::FileKeychain>(home() / "plain" / "keychain"));
    const std::string first = UpgradeDevInfo::GetUUID();
    EXPECT_TRUE(UpgradeDevInfo::isWellFormedIdentifier(first)) << first;
    EXPECT_EQ(UpgradeDevInfo::GetUUID(), first);
    EXPECT_FALSE(UpgradeDevInfo::SaveUUID());
    // Without the replacement the keychain of the home is back, untouched.
    Keychain::setShared(nullptr);
    EXPECT_EQ(&Keychain::shared(), &own);
    EXPECT_FALSE(own.find(UpgradeDevInfo::kKeychainService));
}

TEST_F(DeviceIdentity, ConcurrentFirstUseAgreesOnOneIdentifier) {
    std::vector<std::string> ids(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] { ids[i] = UpgradeDevInfo::GetUUID(); });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (const auto& id : ids) {
        EXPECT_EQ(id, ids[0]);
    }
}
