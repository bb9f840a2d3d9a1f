#include "platform/Keychain.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

namespace pd {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& f) {
    struct stat info {};
    EXPECT_EQ(::stat(f.c_str(), &info), 0);
    return info.st_mode & 0777;
}

class KeychainTest : public TempHome {
  protected:
    fs::path file() const { return home() / "Library" / "keychain-test"; }
};

// Updating and removing what is stored, and storing it for a new process, are covered by the
// device identity tests, which keep their identifier in the keychain of the home.
TEST_F(KeychainTest, ItemsAreAnyBytesAndAddNeverReplaces) {
    const std::string bytes("A1\0\xFF\n\"}", 7);
    {
        FileKeychain k(file());
        EXPECT_FALSE(k.update("s", "x")) << "update needs an existing item";
        EXPECT_FALSE(k.remove("s"));
        EXPECT_TRUE(k.add("s", bytes));
        EXPECT_FALSE(k.add("s", "other")) << "add does not replace an item";
        EXPECT_TRUE(k.add("empty", ""));
    }
    FileKeychain reopened(file());
    EXPECT_EQ(reopened.find("s"), bytes);
    EXPECT_EQ(reopened.find("empty"), "");
}

TEST_F(KeychainTest, FileIsOnlyEverReadableByItsOwner) {
    const mode_t previous = ::umask(0);  // the widest umask must not widen the file
    {
        FileKeychain k(file());
        EXPECT_TRUE(k.add("s", "secret"));
        EXPECT_EQ(modeOf(file()), 0600u);
        EXPECT_TRUE(k.update("s", "secret2"));
        EXPECT_EQ(modeOf(file()), 0600u);
    }
    ::umask(previous);

    // A file someone made world-readable is tightened when it is opened.
    ::chmod(file().c_str(), 0644);
    FileKeychain reopened(file());
    EXPECT_EQ(modeOf(file()), 0600u);
    EXPECT_EQ(reopened.find("s"), "secret2");
}

TEST_F(KeychainTest, DamagedFileIsSetAsideAndTheKeychainStartsEmpty) {
    std::ofstream(file()) << "{\"items\": {\"s\": \"not hex\"}}";
    FileKeychain k(file());
    EXPECT_FALSE(k.find("s"));
    int aside = 0;
    for (const auto& entry : fs::directory_iterator(file().parent_path())) {
        if (entry.path().filename().string().rfind("keychain-test.damaged-", 0) == 0) {
            ++aside;
        }
    }
    EXPECT_EQ(aside, 1);
    EXPECT_TRUE(k.add("s", "fresh"));
    EXPECT_EQ(FileKeychain(file()).find("s"), "fresh");
}

}  // namespace
}  // namespace pd
