#include "app/AppSettings.h"

#include "core/Settings.h"
#include "platform/AppHome.h"
#include "platform/PhotoLibrary.h"
#include "services/FeedbackForm.h"
#include "services/ReportHost.h"

#include <filesystem>
#include <system_error>

namespace pd {

namespace {

// A free-form setting reads "off" while unset; "off" or an empty value clears it.
bool clears(const std::string& value) {
    return value.empty() || value == "off";
}

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
            [](const std::string& value) { Settings::standard().setPhoneFilesOn(value == "on"); },
            {},
            ""},
        SettingRow{"report-host",
                   "the usage report service (HOST[:PORT], port 8200 if not given); off: no usage "
                   "reports. Read at start-up",
                   {"HOST[:PORT]", "off"},
                   [] { return Settings::standard().reportHost().value_or("off"); },
                   [](const std::string& value) {
                       Settings::standard().setReportHost(clears(value) ? "" : value);
                   },
                   [](const std::string& value) -> std::string {
                       if (clears(value) || report::parseReportHost(value)) {
                           return {};
                       }
                       return "'" + value + "' is not HOST[:PORT] (such as 127.0.0.1:8200), or off";
                   },
                   "takes effect at the next start"},
        SettingRow{"feedback-url",
                   "where feedback is sent (an http:// address); off: feedback is not sent",
                   {"http://HOST[:PORT]/PATH", "off"},
                   [] { return Settings::standard().feedbackUrl().value_or("off"); },
                   [](const std::string& value) {
                       Settings::standard().setFeedbackUrl(clears(value) ? "" : value);
                   },
                   [](const std::string& value) -> std::string {
                       if (clears(value) || feedback::isFeedbackUrl(value)) {
                           return {};
                       }
                       return "'" + value +
                              "' is not an http:// or https:// address (such as "
                              "http://127.0.0.1:8080/Client/FeedBack.ashx), or off";
                   },
                   ""},
        photoFolderRow(),
    };
}

}  // namespace pd
