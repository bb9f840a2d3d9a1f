#include "platform/AppHome.h"
#include "platform/SandboxHelper.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>

namespace pd {
namespace {

namespace fs = std::filesystem;

// Sets or clears an environment variable for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(TempHome, HomeResolvesFromSetThenEnvironmentThenXdgThenUserHome) {
    const fs::path base = home();
    EXPECT_EQ(AppHome::path(), base);

    const std::tuple<std::optional<std::string>, std::optional<std::string>, fs::path> cases[] = {
        {(base / "env").string() + "/", (base / "xdg").string(), base / "env"},
        {std::nullopt, (base / "xdg").string(), base / "xdg" / "pocketdesk"},
        {std::nullopt, "relative/is/ignored", base / "user" / ".local" / "share" / "pocketdesk"},
    };
    ScopedEnv user("HOME", (base / "user").string());
    for (const auto& [pdHome, xdgHome, expected] : cases) {
        AppHome::reset();
        ScopedEnv pd("POCKETDESK_HOME", pdHome);
        ScopedEnv xdg("XDG_DATA_HOME", xdgHome);
        EXPECT_EQ(AppHome::path(), expected);  // without a trailing separator
    }

    // set() wins over the environment and is made absolute.
    ScopedEnv pd("POCKETDESK_HOME", (base / "env").string());
    AppHome::set(base / "explicit" / "." / "home");
    EXPECT_EQ(AppHome::path(), base / "explicit" / "home");
    for (const char* sub : {"Documents/UserData", "Library/Caches", "Library/Preferences", "tmp"}) {
        EXPECT_TRUE(fs::is_directory(AppHome::path() / sub)) << sub;
    }
}

TEST_F(TempHome, HasLiveCreatesMissingFoldersAndIsFalseForExistingOnes) {
    // The computer reaches only the user-data folder, inside the documents of the home.
    EXPECT_EQ(SandboxHelper::docPathEx(), home().string() + "/Documents/UserData");
    const std::string nested = SandboxHelper::docPathEx() + "/ScreenCap/2024/03";
    EXPECT_TRUE(SandboxHelper::hasLive(nested));
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_FALSE(SandboxHelper::hasLive(nested)) << "an existing path gives false";

    // A path under a plain file cannot be created.
    const std::string file = SandboxHelper::tmpPath() + "/plain";
    std::ofstream(file) << "x";
    EXPECT_FALSE(SandboxHelper::hasLive(file));
    EXPECT_FALSE(SandboxHelper::hasLive(file + "/below"));
    EXPECT_FALSE(SandboxHelper::hasLive(""));
}

}  // namespace
}  // namespace pd
