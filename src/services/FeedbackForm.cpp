#include "services/FeedbackForm.h"

#include "platform/ToolPackage.h"
#include "platform/UrlEncode.h"
#include "services/UpgradeDevInfo.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace pd::feedback {

namespace {

constexpr int kAppId = 5;
// Part of the service's signature scheme: the application number, this, then the "PCID".
constexpr std::string_view kSignatureSalt = "314kqwmztp5521#!8042";

}  // namespace

FeedbackIdentity standardIdentity() {
    return {UpgradeDevInfo::GetUUID(), UpgradeDevInfo::PlatformString(),
            ToolPackage::GetAppVersion()};
}

std::string pcidMember(std::string_view deviceId) {
    return std::string(deviceId) + "-000000000000000";
}

std::string signature(std::string_view pcid) {
    return ToolPackage::Get32bitMD5(std::to_string(kAppId) + std::string(kSignatureSalt) +
                                    std::string(pcid));
}

std::string jsonData(const FeedbackIdentity& who, std::string_view text, std::string_view contact) {
    const std::string pcid = pcidMember(who.deviceId);
    const nlohmann::json object = {
        {"AppID", std::to_string(kAppId)},
        {"PCID", pcid},
        {"Feed", "[" + who.modelName + "]" + std::string(text)},
        {"Version", who.version},
        {"Code", signature(pcid)},
        {"Type", "2"},
        {"Contact", std::string(contact)},
    };
    // Invalid UTF-8 in the text is replaced rather than failing the whole feedback.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string formBody(std::string_view json) {
    return "jsondata=" + UrlEncode::encodeToPercentEscapeString(json);
}

bool isFeedbackUrl(std::string_view text) {
    std::string_view rest;
    if (text.starts_with("http://")) {
        rest = text.substr(7);
    } else if (text.starts_with("https://")) {
        rest = text.substr(8);
    } else {
        return false;
    }
    const bool clean = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) > 0x20 && c != 0x7f;
    });
    const std::string_view host = rest.substr(0, rest.find_first_of("/?#"));
    return clean && !host.empty() && host.front() != ':';
}

}  // namespace pd::feedback
