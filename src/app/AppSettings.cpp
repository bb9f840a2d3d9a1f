#include "app/AppSettings.h"

#include "core/Settings.h"
#include "platform/AppHome.h"
#include "services/FeedbackForm.h"
#include "services/ReportHost.h"

namespace pd {

namespace {

// A free-form setting reads "off" while unset; "off" or an empty value clears it.
bool clears(const std::string& value) {
    return value.empty() || value == "off";
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
    };
}

}  // namespace pd
