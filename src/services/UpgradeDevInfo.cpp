#include "services/UpgradeDevInfo.h"

#include "platform/DeviceInfo.h"
#include "platform/Keychain.h"
#include "platform/Log.h"
#include "platform/Md5.h"

#include <array>
#include <mutex>
#include <utility>

namespace pd {

namespace {

std::mutex gMutex;
std::string gIdentifier;  // guarded by gMutex

const std::array<std::pair<std::string_view, std::string_view>, 40> kModels = {{
    {"iPhone1,1", "iPhone 1G"},
    {"iPhone1,2", "iPhone 3G"},
    {"iPhone2,1", "iPhone 3GS"},
    {"iPhone3,1", "iPhone 4"},
    {"iPhone3,3", "Verizon iPhone 4"},
    {"iPhone4,1", "iPhone 4S"},
    {"iPhone5,1", "iPhone 5 (GSM)"},
    {"iPhone5,2", "iPhone 5 (GSM+CDMA)"},
    {"iPhone5,3", "iPhone 5c (GSM)"},
    {"iPhone5,4", "iPhone 5c (Global)"},
    {"iPhone6,1", "iPhone 5s (GSM)"},
    {"iPhone6,2", "iPhone 5s (Global)"},
    {"iPhone7,1", "iPhone 6 plus"},
    {"iPhone7,2", "iPhone 6"},
    {"iPod1,1", "iPod Touch 1G"},
    {"iPod2,1", "iPod Touch 2G"},
    {"iPod3,1", "iPod Touch 3G"},
    {"iPod4,1", "iPod Touch 4G"},
    {"iPod5,1", "iPod Touch 5G"},
    {"iPad1,1", "iPad"},
    {"iPad2,1", "iPad 2 (WiFi)"},
    {"iPad2,2", "iPad 2 (GSM)"},
    {"iPad2,3", "iPad 2 (CDMA)"},
    {"iPad2,4", "iPad 2 (WiFi)"},
    {"iPad2,5", "iPad Mini (WiFi)"},
    {"iPad2,6", "iPad Mini (GSM)"},
    {"iPad2,7", "iPad Mini (GSM+CDMA)"},
    {"iPad3,1", "iPad 3 (WiFi)"},
    {"iPad3,2", "iPad 3 (GSM+CDMA)"},
    {"iPad3,3", "iPad 3 (GSM)"},
    {"iPad3,4", "iPad 4 (WiFi)"},
    {"iPad3,5", "iPad 4 (GSM)"},
    {"iPad3,6", "iPad 4 (GSM+CDMA)"},
    {"iPad4,1", "iPad Air (WiFi)"},
    {"iPad4,2", "iPad Air (GSM)"},
    {"iPad4,4", "iPad Mini Retina (WiFi)"},
    {"iPad4,5", "iPad Mini Retina (GSM)"},
    {"i386", "Simulator"},
    {"x86_64", "Simulator"},
    {"", ""},
}};

std::string readStoredIdentifier() {
    auto stored = Keychain::shared().find(UpgradeDevInfo::kKeychainService);
    return stored ? *stored : std::string();
}

// The identifier for this process: the stored one when it is well formed, else one derived from
// the vendor identifier (stored when possible, kept in memory either way).
std::string ensureIdentifierLocked() {
    if (!gIdentifier.empty()) {
        return gIdentifier;
    }
    std::string stored = readStoredIdentifier();
    if (UpgradeDevInfo::isWellFormedIdentifier(stored)) {
        gIdentifier = stored;
        return gIdentifier;
    }
    if (!stored.empty()) {
        PD_LOG_WARN("device identifier in the keychain is damaged; replacing it");
    }
    std::string computed = UpgradeDevInfo::Get16bitMD5(DeviceInfo::vendorIdentifier());
    if (!UpgradeDevInfo::SaveKeyChain(computed)) {
        PD_LOG_WARN("could not store the device identifier; keeping it for this run");
    }
    gIdentifier = computed;
    return gIdentifier;
}

}  // namespace

bool UpgradeDevInfo::isWellFormedIdentifier(std::string_view id) {
    if (id.size() != 16) {
        return false;
    }
    for (char c : id) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

std::string UpgradeDevInfo::GetUUID() {
    std::lock_guard lock(gMutex);
    return ensureIdentifierLocked();
}

bool UpgradeDevInfo::SaveUUID() {
    std::lock_guard lock(gMutex);
    const std::string id = ensureIdentifierLocked();
    return readStoredIdentifier() == id;
}

bool UpgradeDevInfo::SaveKeyChain(std::string_view text) {
    Keychain& keychain = Keychain::shared();
    const std::string value(text);
    auto current = keychain.find(kKeychainService);
    if (current) {
        return *current == value || keychain.update(kKeychainService, value);
    }
    return keychain.add(kKeychainService, value);
}

std::string UpgradeDevInfo::Get16bitMD5(std::string_view text) {
    return md5HexUpper(text).substr(8, 16);
}

std::string UpgradeDevInfo::platform() {
    return DeviceInfo::machineIdentifier();
}

std::string UpgradeDevInfo::PlatformStringFor(std::string_view machineIdentifier) {
    if (!machineIdentifier.empty()) {
        for (const auto& [id, name] : kModels) {
            if (id == machineIdentifier) {
                return std::string(name);
            }
        }
    }
    return "UnKown";
}

std::string UpgradeDevInfo::PlatformString() {
    return PlatformStringFor(platform());
}

void UpgradeDevInfo::resetForTests() {
    std::lock_guard lock(gMutex);
    gIdentifier.clear();
}

}  // namespace pd
