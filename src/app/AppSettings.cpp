#include "app/AppSettings.h"

#include "core/Settings.h"
#include "platform/AppHome.h"
#include "platform/PhotoLibrary.h"

#include <filesystem>
#include <system_error>

namespace pd {

namespace {

constexpr const char* kDefaultWord = "default";

// The photo folder as stored: absolute, so that it means the same from any working folder.
std::string absoluteFolder(const std::string& value) {
    std::error_code ec;
    const auto path = std::filesystem::absolute(value, ec);
    return ec ? value : path.lexically_normal().string();
}

SettingRow photoFolderRow() {
    return SettingRow{
        "photo-folder",
        "the photo library the backup reads when no --photos is given; 'default' for the "
        "platform's own",
        {},
        [] {
            const auto folder = Settings::standard().photoFolder();
            return folder ? *folder
                          : std::string(kDefaultWord) + " (" +
                                PhotoLibrary::defaultRoot().string() + ")";
        },
        [](const std::string& value) {
            Settings::standard().setPhotoFolder(value == kDefaultWord ? "" : absoluteFolder(value));
        },
        [](const std::string& value) -> std::string {
            std::error_code ec;
            if (value == kDefaultWord || std::filesystem::is_directory(value, ec)) {
                return "";
            }
            return "'" + value + "' is not a folder";
        }};
}

}  // namespace

std::vector<SettingRow> appSettings(const std::string& home) {
    if (!home.empty()) {
        AppHome::set(home);
    }
    return {
        SettingRow{
            "phone-files",
            "whether the paired computer may list, fetch and delete this phone's files",
            {"on", "off"},
            [] { return Settings::standard().phoneFilesOn() ? "on" : "off"; },
            [](const std::string& value) { Settings::standard().setPhoneFilesOn(value == "on"); }},
        photoFolderRow(),
    };
}

}  // namespace pd
