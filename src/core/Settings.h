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
    // The computer may list, fetch and delete the phone's files unless this holds 0.
    static constexpr const char* kPhoneFilesKey = "ISONMGRFILE";
    // When the last photo backup finished or was stopped, as the backup screen shows it.
    static constexpr const char* kLastPicBackTimeKey = "LASTPICBACKTIME";
    // The volume last chosen on the remote control panel ("0" to "100").
    static constexpr const char* kLastVolumeValueKey = "LASTVOLUMEVALUE";
    // The usage report dispatcher, HOST[:PORT]; absent: no usage reports.
    static constexpr const char* kReportHostKey = "REPORTHOST";
    // Where feedback is posted (an http:// address); absent: feedback is off.
    static constexpr const char* kFeedbackUrlKey = "FEEDBACKURL";
    // The photo library's folder that the backup reads (absent: the platform's default).
    static constexpr const char* kPhotoFolderKey = "PHOTOFOLDER";

    explicit Settings(UserDefaults& defaults) : defaults_(defaults) {}
    // The settings of the current application home.
    static Settings standard();

    // The computer paired last (its device tag), kept when the application leaves the front.
    void SaveLastDeviceTag(const std::string& deviceTag);
    std::optional<std::string> ReadLastDeviceTag() const;

    // A missing value, or one that is not a number, means on.
    bool phoneFilesOn() const;
    void setPhoneFilesOn(bool on);

    std::optional<std::string> lastPicBackTime() const;
    void setLastPicBackTime(const std::string& text);

    std::optional<std::string> lastVolumeValue() const;
    void setLastVolumeValue(const std::string& text);

    // Empty text removes the setting.
    std::optional<std::string> reportHost() const;
    void setReportHost(const std::string& hostAndPort);
    std::optional<std::string> feedbackUrl() const;
    void setFeedbackUrl(const std::string& url);
    std::optional<std::string> photoFolder() const;
    // An empty path forgets the folder, so the default one is used again.
    void setPhotoFolder(const std::string& path);

  private:
    std::optional<std::string> nonEmpty(const char* key) const;
    void setOrRemove(const char* key, const std::string& text);

    UserDefaults& defaults_;
};

}  // namespace pd
