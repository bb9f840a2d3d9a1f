#pragma once
// The application's settings in the user-defaults store, under their fixed keys. Each setter
// flushes the store at once, so a setting survives a process that ends without a goodbye.

#include <optional>
#include <string>

namespace pd {

class UserDefaults;

class Settings {
  public:
    static constexpr const char* kLastDeviceTagKey = "LASTDEVICETAG";

    explicit Settings(UserDefaults& defaults) : defaults_(defaults) {}
    // The settings of the current application home.
    static Settings standard();

    // The computer paired last (its device tag), kept when the application leaves the front.
    void SaveLastDeviceTag(const std::string& deviceTag);
    std::optional<std::string> ReadLastDeviceTag() const;

  private:
    UserDefaults& defaults_;
};

}  // namespace pd
