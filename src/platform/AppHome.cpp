#include "platform/AppHome.h"

#include "platform/Log.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <optional>
#include <system_error>

namespace pd {

namespace {

struct HomeState {
    std::mutex mutex;
    std::optional<std::filesystem::path> explicitHome;
    std::optional<std::filesystem::path> resolved;
};

HomeState& state() {
    static HomeState* const s = new HomeState();
    return *s;
}

// Only absolute values count, as XDG asks; a relative one would move with the working folder.
std::optional<std::filesystem::path> absoluteFromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    std::filesystem::path p(value);
    if (!p.is_absolute()) {
        return std::nullopt;
    }
    return p;
}

std::filesystem::path userHome() {
    if (auto home = absoluteFromEnv("HOME")) {
        return *home;
    }
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return std::filesystem::temp_directory_path();
}

// Absolute, without "." or ".." and without a trailing separator, so joined paths stay clean.
std::filesystem::path normalized(const std::filesystem::path& p) {
    std::error_code ec;
    std::filesystem::path result = std::filesystem::absolute(p, ec);
    if (ec) {
        result = p;
    }
    result = result.lexically_normal();
    if (result.filename().empty() && result.has_relative_path()) {
        result = result.parent_path();
    }
    return result;
}

std::filesystem::path resolve(const std::optional<std::filesystem::path>& explicitHome) {
    if (explicitHome) {
        return *explicitHome;
    }
    if (const char* value = std::getenv("POCKETDESK_HOME"); value != nullptr && *value != '\0') {
        return normalized(value);
    }
    if (auto xdg = absoluteFromEnv("XDG_DATA_HOME")) {
        return normalized(*xdg / "pocketdesk");
    }
    return normalized(userHome() / ".local" / "share" / "pocketdesk");
}

void createSkeleton(const std::filesystem::path& home) {
    for (const char* sub : {"Documents/UserData", "Library/Caches", "Library/Preferences", "tmp"}) {
        std::error_code ec;
        std::filesystem::create_directories(home / sub, ec);
        if (ec) {
            PD_LOG_ERROR("cannot create {}: {}", (home / sub).string(), ec.message());
        }
    }
}

}  // namespace

void AppHome::set(const std::filesystem::path& home) {
    auto clean = normalized(home);
    std::lock_guard lock(state().mutex);
    state().explicitHome = std::move(clean);
    state().resolved.reset();
}

void AppHome::reset() {
    std::lock_guard lock(state().mutex);
    state().explicitHome.reset();
    state().resolved.reset();
}

std::optional<std::filesystem::path> AppHome::explicitPath() {
    std::lock_guard lock(state().mutex);
    return state().explicitHome;
}

std::filesystem::path AppHome::path() {
    std::lock_guard lock(state().mutex);
    if (!state().resolved) {
        const std::filesystem::path home = resolve(state().explicitHome);
        createSkeleton(home);
        state().resolved = home;
    }
    return *state().resolved;
}

}  // namespace pd
