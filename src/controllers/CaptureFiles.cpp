#include "controllers/CaptureFiles.h"

#include "platform/AtomicFile.h"
#include "platform/SandboxHelper.h"

#include <cstdio>
#include <system_error>

namespace pd {

std::filesystem::path captureFolder() {
    return std::filesystem::path(SandboxHelper::docPathEx()) / "ScreenCap";
}

std::string captureFileName(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char name[64];
    std::snprintf(name, sizeof name, "%d%02d%02d%02d%02d%02d.jpg", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return name;
}

std::filesystem::path saveCapture(const std::filesystem::path& folder, std::string_view bytes,
                                  std::time_t when) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::filesystem::path file = folder / captureFileName(when);
    if (!writeFileAtomically(file, bytes, 0644)) {
        return {};
    }
    return file;
}

std::vector<std::string> listCaptureNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::filesystem::path& path = it->path();
        // Case matters: a ".JPG" was not written here.
        if (path.extension() == ".jpg") {
            names.push_back(path.filename().string());
        }
    }
    return names;
}

}  // namespace pd
