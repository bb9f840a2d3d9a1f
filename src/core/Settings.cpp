#include "core/Settings.h"

#include "platform/UserDefaults.h"

namespace pd {

Settings Settings::standard() {
    return Settings(UserDefaults::standard());
}

void Settings::SaveLastDeviceTag(const std::string& deviceTag) {
    // Unchanged values are not written again: a command that changes nothing touches no disk.
    if (ReadLastDeviceTag() == deviceTag) {
        return;
    }
    defaults_.setString(kLastDeviceTagKey, deviceTag);
    defaults_.synchronize();
}

std::optional<std::string> Settings::ReadLastDeviceTag() const {
    return defaults_.stringForKey(kLastDeviceTagKey);
}

bool Settings::phoneFilesOn() const {
    return defaults_.integerForKey(kPhoneFilesKey).value_or(1) != 0;
}

void Settings::setPhoneFilesOn(bool on) {
    defaults_.setInteger(kPhoneFilesKey, on ? 1 : 0);
    defaults_.synchronize();
}

std::optional<std::string> Settings::lastPicBackTime() const {
    return defaults_.stringForKey(kLastPicBackTimeKey);
}

void Settings::setLastPicBackTime(const std::string& text) {
    defaults_.setString(kLastPicBackTimeKey, text);
    defaults_.synchronize();
}

std::optional<std::string> Settings::lastVolumeValue() const {
    return defaults_.stringForKey(kLastVolumeValueKey);
}

void Settings::setLastVolumeValue(const std::string& text) {
    defaults_.setString(kLastVolumeValueKey, text);
    defaults_.synchronize();
}

std::optional<std::string> Settings::reportHost() const {
    return nonEmpty(kReportHostKey);
}

void Settings::setReportHost(const std::string& hostAndPort) {
    setOrRemove(kReportHostKey, hostAndPort);
}

std::optional<std::string> Settings::feedbackUrl() const {
    return nonEmpty(kFeedbackUrlKey);
}

void Settings::setFeedbackUrl(const std::string& url) {
    setOrRemove(kFeedbackUrlKey, url);
}

std::optional<std::string> Settings::nonEmpty(const char* key) const {
    auto value = defaults_.stringForKey(key);
    return value && !value->empty() ? value : std::nullopt;
}

void Settings::setOrRemove(const char* key, const std::string& text) {
    if (text.empty()) {
        defaults_.removeObjectForKey(key);
    } else {
        defaults_.setString(key, text);
    }
    defaults_.synchronize();
}

std::optional<std::string> Settings::photoFolder() const {
    return nonEmpty(kPhotoFolderKey);
}

void Settings::setPhotoFolder(const std::string& path) {
    setOrRemove(kPhotoFolderKey, path);
}

}  // namespace pd
