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

}  // namespace pd
