#include "platform/SandboxHelper.h"

#include "platform/AppHome.h"

#include <filesystem>
#include <system_error>

namespace pd {

std::string SandboxHelper::homePath() {
    return AppHome::path().string();
}

std::string SandboxHelper::appPath() {
    return homePath() + "/Applications";
}

std::string SandboxHelper::docPath() {
    return homePath() + "/Documents";
}

std::string SandboxHelper::docPathEx() {
    return docPath() + "/UserData";
}

std::string SandboxHelper::libPrefPath() {
    return homePath() + "/Library/Preference";
}

std::string SandboxHelper::libCachePath() {
    return homePath() + "/Library/Caches";
}

std::string SandboxHelper::tmpPath() {
    return homePath() + "/tmp";
}

std::string SandboxHelper::tmpDir() {
    return tmpPath();
}

bool SandboxHelper::hasLive(const std::string& path) {
    std::error_code ec;
    // symlink_status: a dangling link still "exists" and must not be created through.
    if (path.empty() || std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        return false;
    }
    return std::filesystem::create_directories(path, ec) && !ec;
}

}  // namespace pd
