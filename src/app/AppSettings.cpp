#include "app/AppSettings.h"

#include "core/Settings.h"
#include "platform/AppHome.h"

namespace pd {

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
    };
}

}  // namespace pd
