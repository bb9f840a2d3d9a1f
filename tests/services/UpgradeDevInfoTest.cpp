#include "services/UpgradeDevInfo.h"

#include "platform/Keychain.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

using pd::UpgradeDevInfo;

namespace {

// A keychain whose writes can be made to fail.
class MemoryKeychain : public pd::Keychain {
  public:
    bool failWrites = false;
    std::map<std::string, std::string> items;
    std::optional<std::string> find(const std::string& service) override {
        auto it = items.find(service);
        return it == items.end() ? std::nullopt : std::optional(it->second);
    }
    bool add(const std::string& service, const std::string& data) override {
        if (failWrites || items.count(service))
            return false;
        items[service] = data;
        return true;
    }
    bool update(const std::string& service, const std::string& data) override {
        if (failWrites || !items.count(service))
            return false;
        items[service] = data;
        return true;
    }
    bool remove(const std::string& service) override { return items.erase(service) > 0; }
};

class DeviceIdentity : public pd::test::TempHome {
  protected:
    void SetUp() override {
        TempHome::SetUp();
        keychain = std::make_shared<MemoryKeychain>();
        pd::Keychain::setShared(keychain);
        UpgradeDevInfo::resetForTests();
    }
    void TearDown() override {
        UpgradeDevInfo::resetForTests();
        pd::Keychain::setShared(nullptr);
        TempHome::TearDown();
    }
    std::shared_ptr<MemoryKeychain> keychain;
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

// The identifier is kept in the keychain and stays the same, also for a new process; a sound
// stored value wins and a damaged one is replaced.
TEST_F(DeviceIdentity, IdentifierIsStoredOnceAndStable) {
    for (const char* stored : {"", "0123456789ABCDEF", "short"}) {
        SCOPED_TRACE(stored);
        UpgradeDevInfo::resetForTests();
        keychain->items.clear();
        if (*stored) {
            keychain->items[UpgradeDevInfo::kKeychainService] = stored;
        }
        const std::string first = UpgradeDevInfo::GetUUID();
        EXPECT_TRUE(UpgradeDevInfo::isWellFormedIdentifier(first)) << first;
        if (std::string(stored) == "0123456789ABCDEF") {
            EXPECT_EQ(first, stored);
        }
        EXPECT_EQ(keychain->items[UpgradeDevInfo::kKeychainService], first);
        EXPECT_EQ(UpgradeDevInfo::GetUUID(), first);
        UpgradeDevInfo::resetForTests();
        EXPECT_EQ(UpgradeDevInfo::GetUUID(), first);
    }
}

TEST_F(DeviceIdentity, FailingKeychainStillGivesOneFullIdentifierForTheProcess) {
    keychain->failWrites = true;
    const std::string first = UpgradeDevInfo::GetUUID();
    EXPECT_TRUE(UpgradeDevInfo::isWellFormedIdentifier(first)) << first;
    EXPECT_TRUE(keychain->items.empty());
    EXPECT_EQ(UpgradeDevInfo::GetUUID(), first);
    EXPECT_FALSE(UpgradeDevInfo::SaveUUID());
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
