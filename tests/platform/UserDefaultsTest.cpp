#include "platform/UserDefaults.h"

#include "platform/AppHome.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace pd {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class UserDefaultsTest : public TempHome {
  protected:
    fs::path file() const { return home() / "Library" / "Preferences" / "test.json"; }

    std::vector<fs::path> filesNextTo(const fs::path& f) const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(f.parent_path())) {
            found.push_back(entry.path());
        }
        return found;
    }

    static std::string contents(const fs::path& f) {
        std::ifstream in(f, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(UserDefaultsTest, ValuesRoundTripAndConvertLikeSettings) {
    UserDefaults d(file());
    EXPECT_FALSE(d.hasKey("ISONMGRFILE"));
    EXPECT_FALSE(d.stringForKey("ISONMGRFILE"));
    EXPECT_FALSE(d.integerForKey("ISONMGRFILE"));
    EXPECT_FALSE(d.boolForKey("ISONMGRFILE"));

    // Settings stored as the texts "1"/"0" are read back as numbers and flags.
    d.setString("ISONMGRFILE", "1");
    EXPECT_EQ(d.stringForKey("ISONMGRFILE"), "1");
    EXPECT_EQ(d.integerForKey("ISONMGRFILE"), 1);
    EXPECT_EQ(d.boolForKey("ISONMGRFILE"), true);
    d.setString("ISONMGRFILE", "0");
    EXPECT_EQ(d.integerForKey("ISONMGRFILE"), 0);
    EXPECT_EQ(d.boolForKey("ISONMGRFILE"), false);
    d.setString("junk", "abc");
    EXPECT_EQ(d.integerForKey("junk"), 0);
    d.setString("huge", "99999999999999999999999");
    EXPECT_EQ(d.integerForKey("huge"), INT64_MAX);

    d.setInteger("LASTVOLUMEVALUE", -37);
    EXPECT_EQ(d.integerForKey("LASTVOLUMEVALUE"), -37);
    EXPECT_EQ(d.stringForKey("LASTVOLUMEVALUE"), "-37");
    d.setBool("flag", true);
    EXPECT_EQ(d.boolForKey("flag"), true);
    EXPECT_EQ(d.integerForKey("flag"), 1);
    d.setDouble("LASTPICBACKTIME", 1700000000.25);
    EXPECT_DOUBLE_EQ(*d.doubleForKey("LASTPICBACKTIME"), 1700000000.25);
    EXPECT_EQ(d.integerForKey("LASTPICBACKTIME"), 1700000000);

    d.removeObjectForKey("flag");
    EXPECT_FALSE(d.hasKey("flag"));
    EXPECT_FALSE(d.boolForKey("flag"));
}

TEST_F(UserDefaultsTest, SurvivesReopenAndUnsavedChangesAreNotLost) {
    {
        UserDefaults d(file());
        d.setString("LASTDEVICETAG", "PC-\xE4\xB8\xAD");
        d.setInteger("GAMEUPBN3", 65);
        EXPECT_TRUE(d.synchronize());
        d.setBool("late", true);  // never synchronized: written when the store goes away
    }
    UserDefaults reopened(file());
    EXPECT_EQ(reopened.stringForKey("LASTDEVICETAG"), "PC-\xE4\xB8\xAD");
    EXPECT_EQ(reopened.integerForKey("GAMEUPBN3"), 65);
    EXPECT_EQ(reopened.boolForKey("late"), true);
    EXPECT_EQ(filesNextTo(file()).size(), 1u) << "no temporary files are left behind";

    // Bytes that are not UTF-8 cannot go into JSON as they are; they must not break saving.
    reopened.setString("bad", std::string("a\xFF", 2));
    EXPECT_TRUE(reopened.synchronize());
    EXPECT_TRUE(UserDefaults(file()).hasKey("bad"));
}

TEST_F(UserDefaultsTest, DamagedFileIsSetAsideNotDeleted) {
    fs::create_directories(file().parent_path());
    const std::string garbage = "{\"RUNTAG\": \"2.0.1\", trunc";
    std::ofstream(file()) << garbage;

    UserDefaults d(file());
    EXPECT_FALSE(d.hasKey("RUNTAG"));
    std::vector<fs::path> aside;
    for (const auto& p : filesNextTo(file())) {
        if (p.filename().string().rfind("test.json.damaged-", 0) == 0) {
            aside.push_back(p);
        }
    }
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(contents(aside[0]), garbage);

    d.setString("RUNTAG", "2.0.1");
    EXPECT_TRUE(d.synchronize());
    EXPECT_EQ(UserDefaults(file()).stringForKey("RUNTAG"), "2.0.1");

    // A file that parses but is not an object is not ours either.
    std::ofstream(file(), std::ios::trunc) << "[1,2]";
    UserDefaults again(file());
    EXPECT_FALSE(again.hasKey("RUNTAG"));
    EXPECT_EQ(filesNextTo(file()).size(), 2u) << "both damaged files are kept";
}

std::string payloadFor(int n) {
    return std::string(64 * 1024, static_cast<char>('a' + n % 26)) + std::to_string(n);
}

TEST_F(UserDefaultsTest, WriterKilledBetweenWritesLeavesOldOrNewFileWhole) {
    for (int round = 0; round < 5; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            UserDefaults d(file());
            for (int n = 1;; ++n) {
                d.setInteger("n", n);
                d.setString("payload", payloadFor(n));
                d.synchronize();
            }
        }
        // Kill at a different moment each round, once the file exists.
        const bool started = waitFor([&] { return fs::exists(file()); }, 2s);
        ::usleep(static_cast<useconds_t>(round * 1000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(started);

        const nlohmann::json parsed = nlohmann::json::parse(contents(file()), nullptr, false);
        ASSERT_TRUE(parsed.is_object()) << "round " << round << ": the file does not parse";
        const int n = parsed.at("n").get<int>();
        EXPECT_EQ(parsed.at("payload").get<std::string>(), payloadFor(n)) << "round " << round;
    }
    // Reopening finds a sound file: nothing is set aside.
    UserDefaults d(file());
    EXPECT_TRUE(d.hasKey("payload"));
    for (const auto& p : filesNextTo(file())) {
        EXPECT_EQ(p.filename().string().find("damaged"), std::string::npos);
    }
}

TEST_F(UserDefaultsTest, StandardStoreLivesInTheHome) {
    UserDefaults& standard = UserDefaults::standard();
    standard.setInteger("key7", 7);
    EXPECT_EQ(standard.file(), home() / "Library" / "Preferences" / "defaults.json");
    EXPECT_TRUE(standard.synchronize());
    EXPECT_EQ(UserDefaults(standard.file()).integerForKey("key7"), 7);

    // Another home has a store of its own.
    ScopedTempHome other;
    EXPECT_NE(&UserDefaults::standard(), &standard);
    EXPECT_FALSE(UserDefaults::standard().hasKey("key7"));
}

}  // namespace
}  // namespace pd
