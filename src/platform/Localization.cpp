#include "platform/Localization.h"

#include "platform/Log.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <set>
#include <utility>

namespace pd {

namespace {

using Entry = std::pair<std::string_view, std::string_view>;

// Sorted by key (byte order) for binary search; checked at compile time below.
constexpr std::array kTexts = {
    Entry{"PPT Select", "Choose a presentation"},
    Entry{"about", "About"},
    Entry{"added", "Added"},
    Entry{"canConnectPc", "computers you can connect to"},
    Entry{"cancel", "Cancel"},
    Entry{"canceled", "Removed"},
    Entry{"clean finish", "Cache cleared"},
    Entry{"commonly used Files", "Add to Files"},
    Entry{"commonly used Music", "Add to Music"},
    Entry{"commonly used Picture", "Add to Pictures"},
    Entry{"commonly used Video", "Add to Videos"},
    Entry{"computer", "Computer"},
    Entry{"connecting", "Connecting"},
    Entry{"connection failed", "Connection failed"},
    Entry{"dayFormat1", "%Y-%m-%d %H:%M"},
    Entry{"delete the file", "Delete the file?"},
    Entry{"desktopFile", "Desktop files"},
    Entry{"downloaded", "Finished"},
    Entry{"downloading", "Downloading"},
    Entry{"earlier", "Earlier"},
    Entry{"enterCheckCode", "Check code shown on the computer"},
    Entry{"file", "Files"},
    Entry{"findPc", "Searching for computers"},
    Entry{"hard loading", "Loading…"},
    Entry{"homeUrl", "https://pocketdesk.example.org"},
    Entry{"homeUrlTip", "Install the computer program from"},
    Entry{"inquiring", "Loading…"},
    Entry{"joined the download queue", "Added to downloads"},
    Entry{"more", "More"},
    Entry{"music", "Music"},
    Entry{"myDesktop", "Desktop"},
    Entry{"no need clear", "The cache is already empty"},
    Entry{"ok", "OK"},
    Entry{"operation failed", "Operation failed"},
    Entry{"pc Rejected", "The computer refused the connection"},
    Entry{"pic", "Pictures"},
    Entry{"switchPc", "Switch to this computer? The current one will be disconnected."},
    Entry{"this week", "This week"},
    Entry{"transfer tasks", "Transfers"},
    Entry{"video", "Videos"},
};

static_assert(std::is_sorted(kTexts.begin(), kTexts.end(),
                             [](const Entry& a, const Entry& b) { return a.first < b.first; }),
              "localisation table must stay sorted by key");

void reportMissingOnce(std::string_view key) {
    static std::mutex* const mutex = new std::mutex();
    static auto* const reported = new std::set<std::string, std::less<>>();
    {
        std::lock_guard lock(*mutex);
        if (!reported->emplace(key).second) {
            return;
        }
    }
    PD_LOG_WARN("no display text for localisation key \"{}\"", key);
}

}  // namespace

std::string Localized(std::string_view key) {
    const auto found =
        std::lower_bound(kTexts.begin(), kTexts.end(), key,
                         [](const Entry& e, std::string_view k) { return e.first < k; });
    if (found != kTexts.end() && found->first == key) {
        return std::string(found->second);
    }
    reportMissingOnce(key);
    return std::string(key);
}

}  // namespace pd
