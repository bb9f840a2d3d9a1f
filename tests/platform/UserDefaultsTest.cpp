#include "platform/UserDefaults.h"

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

    std::vector<std::string> filesNextTo(const fs::path& f) const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(f.parent_path())) {
            found.push_back(entry.path().filename().string());
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

// Settings stored as the texts "1"/"0" are read back as numbers and flags, and the other way.
TEST_F(UserDefaultsTest, ValuesConvertTheWaySettingsAreReadBack) {
    UserDefaults d(file());
    EXPECT_FALSE(d.stringForKey("one") || d.integerForKey("one") || d.boolForKey("one"));
    d.setString("one", "1");
    d.setString("zero", "0");
    d.setString("junk", "abc");
    d.setString("huge", "99999999999999999999999");
    d.setInteger("LASTVOLUMEVALUE", -37);
    d.setBool("flag", true);
    d.setDouble("LASTPICBACKTIME", 1700000000.25);
    const std::pair<const char*, std::int64_t> integers[] = {{"one", 1},
                                                             {"zero", 0},
                                                             {"junk", 0},
                                                             {"flag", 1},
                                                             {"huge", INT64_MAX},
                                                             {"LASTVOLUMEVALUE", -37},
                                                             {"LASTPICBACKTIME", 1700000000}};
    for (const auto& [key, value] : integers) {
        EXPECT_EQ(d.integerForKey(key), value) << key;
    }
    EXPECT_EQ(d.boolForKey("one"), true);
    EXPECT_EQ(d.boolForKey("zero"), false);
    EXPECT_EQ(d.boolForKey("flag"), true);
    EXPECT_EQ(d.stringForKey("one"), "1");
    EXPECT_EQ(d.stringForKey("LASTVOLUMEVALUE"), "-37");
    EXPECT_DOUBLE_EQ(*d.doubleForKey("LASTPICBACKTIME"), 1700000000.25);

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

    // The standard store is the one of the current home.
    UserDefaults::standard().setInteger("key7", 7);
    EXPECT_TRUE(UserDefaults::standard().synchronize());
    EXPECT_EQ(UserDefaults(file().parent_path() / "defaults.json").integerForKey("key7"), 7);
    ScopedTempHome other;
    EXPECT_FALSE(UserDefaults::standard().hasKey("key7"));
}

// A file that does not parse, or parses but is not an object, is set aside and kept.
TEST_F(UserDefaultsTest, DamagedFileIsSetAsideNotDeleted) {
    fs::create_directories(file().parent_path());
    for (const std::string garbage : {"{\"RUNTAG\": \"2.0.1\", trunc", "[1,2]"}) {
        std::ofstream(file(), std::ios::trunc) << garbage;
        UserDefaults d(file());
        EXPECT_FALSE(d.hasKey("RUNTAG"));
        d.setString("RUNTAG", "2.0.1");
        EXPECT_TRUE(d.synchronize());
        EXPECT_EQ(UserDefaults(file()).stringForKey("RUNTAG"), "2.0.1");
        int aside = 0;
        for (const auto& name : filesNextTo(file())) {
            aside += name.rfind("test.json.damaged-", 0) == 0 &&
                     contents(file().parent_path() / name) == garbage;
        }
        EXPECT_EQ(aside, 1) << garbage;
    }
    EXPECT_EQ(filesNextTo(file()).size(), 3u) << "both damaged files are kept";
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
    EXPECT_TRUE(UserDefaults(file()).hasKey("payload"));
    for (const auto& name : filesNextTo(file())) {
        EXPECT_EQ(name.find("damaged"), std::string::npos);
    }
}

}  // namespace
}  // namespace pd
