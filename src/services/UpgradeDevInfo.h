#pragma once
// The installation's device identity: a stable 16-character identifier kept in the keychain,
// the short MD5 text, and the device model name.

#include <string>
#include <string_view>

namespace pd {

class UpgradeDevInfo {
  public:
    // Keychain service identifier of the identifier item.
    static constexpr const char* kKeychainService = "COM.QVR.WIFI.IOS";

    // The device identifier: always 16 upper-case hexadecimal characters. Computed once per
    // process and kept even when the keychain cannot store it.
    static std::string GetUUID();
    // Makes sure the keychain item holds an identifier; returns whether it does afterwards.
    static bool SaveUUID();
    static bool SaveKeyChain(std::string_view text);
    // Characters 8 to 23 of the upper-case MD5 text.
    static std::string Get16bitMD5(std::string_view text);
    static std::string platform();
    static std::string PlatformString();
    static std::string PlatformStringFor(std::string_view machineIdentifier);

    static bool isWellFormedIdentifier(std::string_view id);
    // Forgets the identifier kept for this process (tests swap keychains between cases).
    static void resetForTests();
};

}  // namespace pd
