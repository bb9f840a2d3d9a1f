#pragma once
// The application's home folder (the phone's sandbox). Resolved on first use from, in order:
// an explicit set() (the front-end's --home DIR), $POCKETDESK_HOME, $XDG_DATA_HOME/pocketdesk,
// ~/.local/share/pocketdesk. The folder and its standard subfolders (Documents,
// Documents/UserData, Library/Caches, Library/Preferences, tmp) are created when resolved.

#include <filesystem>
#include <optional>

namespace pd {

class AppHome {
  public:
    // Uses `home` from now on (made absolute); takes effect at the next path().
    static void set(const std::filesystem::path& home);
    // Forgets set() and any earlier resolution; the next path() resolves again.
    static void reset();
    // What set() was given (made absolute), if anything.
    static std::optional<std::filesystem::path> explicitPath();
    // The home folder, absolute. Thread-safe.
    static std::filesystem::path path();
};

}  // namespace pd
