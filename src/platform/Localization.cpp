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
    Entry{"EmptyDesk", "The desktop is empty"},
    Entry{"EmptyDir", "This folder is empty"},
    Entry{"EmptyDownloaded", "No finished downloads yet"},
    Entry{"EmptyDownloading", "Nothing is downloading"},
    Entry{"PPT Select", "Choose a presentation"},
    Entry{"PPT demonstration", "Slides"},
    Entry{"about", "About"},
    Entry{"about link",
          "The connection to the computer is not encrypted: the control link and the HTTP file "
          "service travel in clear, so anyone on the same network can read what passes, file names "
          "and files included. The check code keeps other phones from pairing; it does not hide "
          "anything from someone listening."},
    Entry{"about phone files",
          "The switch “Let the computer manage this phone's files” in More decides whether the "
          "paired computer may list, fetch and delete this phone's files; off, the phone refuses "
          "those commands."},
    Entry{"add other folder", "Add other folder"},
    Entry{"added", "Added"},
    Entry{"app name", "Pocketdesk"},
    Entry{"backing up", "Backing up"},
    Entry{"backup", "Backup"},
    Entry{"backup finished with failures", "Backup finished, not every photo arrived"},
    Entry{"backup has stopped", "Backup stopped"},
    Entry{"backup has successfully", "Backup finished"},
    Entry{"backup in progress", "A backup is already running"},
    Entry{"backupDir", "Backup folder on the computer"},
    Entry{"before yesterday", "2 days ago %H:%M"},
    Entry{"black screen", "Black screen"},
    Entry{"block", "Block"},
    Entry{"canConnectPc", "computers you can connect to"},
    Entry{"cancel", "Cancel"},
    Entry{"canceled", "Removed"},
    Entry{"capture again", "Capture again"},
    Entry{"clean finish", "Cache cleared"},
    Entry{"clear cache", "Clear cache"},
    Entry{"clear failed", "The cache could not be cleared"},
    Entry{"comments submitting", "Sending your feedback..."},
    Entry{"commonly used Files", "Add to Files"},
    Entry{"commonly used Music", "Add to Music"},
    Entry{"commonly used Picture", "Add to Pictures"},
    Entry{"commonly used Video", "Add to Videos"},
    Entry{"computer", "Computer"},
    Entry{"computer list", "Computers"},
    Entry{"computer manager", "Files"},
    Entry{"connecting", "Connecting"},
    Entry{"connection failed", "Connection failed"},
    Entry{"contact info", "Your e-mail or phone (optional)"},
    Entry{"dayFormat1", "%Y-%m-%d %H:%M"},
    Entry{"dayFormat2", "%b %d %H:%M"},
    Entry{"dayFormat3", "%Y-%m-%d %H:%M"},
    Entry{"delete", "Delete"},
    Entry{"delete the file", "Delete the file?"},
    Entry{"desktopFile", "Desktop files"},
    Entry{"download", "Download"},
    Entry{"downloaded", "Finished"},
    Entry{"downloading", "Downloading"},
    Entry{"earlier", "Earlier"},
    Entry{"end", "End show"},
    Entry{"enterCheckCode", "Check code shown on the computer"},
    Entry{"feedback", "Feedback"},
    Entry{"feedback failed", "Your feedback could not be sent"},
    Entry{"feedback not configured", "Feedback is not configured"},
    Entry{"few days ago", " days ago"},
    Entry{"few minutes ago", " min ago"},
    Entry{"few months ago", " month ago"},
    Entry{"file", "Files"},
    Entry{"file manager", "Files"},
    Entry{"findPc", "Searching for computers"},
    Entry{"finished", "Done"},
    Entry{"full volume", "Full volume"},
    Entry{"game config1", "Gamepad keys 1"},
    Entry{"game config2", "Gamepad keys 2"},
    Entry{"game handle", "Gamepad"},
    Entry{"gamepad exit", "Exit"},
    Entry{"gamepad select", "Select"},
    Entry{"gamepad settings 1", "Keys 1"},
    Entry{"gamepad settings 2", "Keys 2"},
    Entry{"gamepad start", "Start"},
    Entry{"hard loading", "Loading…"},
    Entry{"hibernation", "Standby"},
    Entry{"hibernation successful", "The computer is going on standby"},
    Entry{"home page", "Project page"},
    Entry{"homeUrl", "https://pocketdesk.example.org"},
    Entry{"homeUrlTip", "Install the computer program from"},
    Entry{"hotspot", "Hotspot"},
    Entry{"inquiring", "Loading…"},
    Entry{"intelligent control", "Remote control"},
    Entry{"intro1",
          "Find your computer: Pocketdesk searches the network it shares with your phone."},
    Entry{"intro2", "Pair once with the check code your computer shows; it is remembered."},
    Entry{"intro3", "Browse the computer's drives and desktop, preview and download its files."},
    Entry{"intro4",
          "Back up photos, control the computer, use the phone as its gamepad or microphone."},
    Entry{"introDone", "Start"},
    Entry{"joined the download queue", "Added to downloads"},
    Entry{"just now", "Just now"},
    Entry{"last backup time", "Last backup"},
    Entry{"last backup time never", "No backup yet"},
    Entry{"limit", "Limit"},
    Entry{"lockScreen", "Lock screen"},
    Entry{"lockscreen failed", "The computer could not capture its screen"},
    Entry{"lockscreen successful", "The screen is locked"},
    Entry{"looking for", "Looking for photos"},
    Entry{"looking for the photo", "Looking for photos…"},
    Entry{"mic", "Microphone"},
    Entry{"mic delay", "Delay"},
    Entry{"microphone stopped", "The microphone stopped"},
    Entry{"more", "More"},
    Entry{"music", "Music"},
    Entry{"mute", "Mute"},
    Entry{"my equipment", "This phone"},
    Entry{"myDesktop", "Desktop"},
    Entry{"new device on the hotspot", "New device on the hotspot"},
    Entry{"new of", "new of"},
    Entry{"next", "Next"},
    Entry{"next page", "Next slide"},
    Entry{"next track", "Next"},
    Entry{"no answer from the computer", "No answer from the computer"},
    Entry{"no captures", "No captures yet"},
    Entry{"no computers", "No computers found yet. Pull down or tap search to look again."},
    Entry{"no need clear", "Less than 1 MB in the cache: nothing to clear"},
    Entry{"no photos backup", "No photos picked"},
    Entry{"no such computer", "No such computer found"},
    Entry{"not fill feedback", "Please write your feedback first"},
    Entry{"not yet", "This tab is not available yet"},
    Entry{"ok", "OK"},
    Entry{"open presentation", "Open"},
    Entry{"opened outside", "Opened with the desktop's application"},
    Entry{"operation failed", "Operation failed"},
    Entry{"pause", "Pause"},
    Entry{"pc Rejected", "The computer refused the connection"},
    Entry{"phone files", "Let the computer manage this phone's files"},
    Entry{"photo backup", "Backup"},
    Entry{"photos not backed up", "could not be backed up"},
    Entry{"pic", "Pictures"},
    Entry{"pick tab", "Pick"},
    Entry{"play", "Play"},
    Entry{"previous page", "Previous slide"},
    Entry{"previous track", "Previous"},
    Entry{"rate the app", "Rate Pocketdesk"},
    Entry{"reboot", "Restart"},
    Entry{"reboot successful", "The computer is restarting"},
    Entry{"remote control", "Remote"},
    Entry{"remove from class", "Remove from this class"},
    Entry{"restore", "Restore"},
    Entry{"resume", "Resume"},
    Entry{"screenshot", "Screen capture"},
    Entry{"screenshot history", "Captures"},
    Entry{"search", "Search"},
    Entry{"seconds ago", " s ago"},
    Entry{"select backup", "Pick the photos to back up"},
    Entry{"send feedback", "Feedback"},
    Entry{"set music player", "Open your music player on the computer first"},
    Entry{"shake", "Shake"},
    Entry{"shake tab", "Shake"},
    Entry{"shake the iphone", "Shake the phone to back up all photos"},
    Entry{"shutdown", "Shut down"},
    Entry{"shutdown successful", "The computer is shutting down"},
    Entry{"start", "Start show"},
    Entry{"start gamepad", "Start"},
    Entry{"successful backup photo/video", "Backed up"},
    Entry{"sure clear cache", "Clear the preview cache?"},
    Entry{"sure hibernation", "Put the computer on standby?"},
    Entry{"sure lockScreen", "Lock the computer's screen?"},
    Entry{"sure reboot", "Restart the computer?"},
    Entry{"sure shutdown", "Shut down the computer?"},
    Entry{"switchPc", "Switch to this computer? The current one will be disconnected."},
    Entry{"tap to speak", "Tap to talk to the computer"},
    Entry{"tap to stop", "Tap to stop"},
    Entry{"this week", "This week"},
    Entry{"tipFolder", "No file folders yet: add one with “Add other folder”"},
    Entry{"tipMusic", "No music folders yet: add one with “Add other folder”"},
    Entry{"tipPic", "No picture folders yet: add one with “Add other folder”"},
    Entry{"tipVideo", "No video folders yet: add one with “Add other folder”"},
    Entry{"today", "Today %H:%M"},
    Entry{"transfer tasks", "Transfers"},
    Entry{"video", "Videos"},
    Entry{"view all", "View all"},
    Entry{"volume", "Volume"},
    Entry{"volume down", "Volume down"},
    Entry{"volume up", "Volume up"},
    Entry{"welcomes feedback", "Tell us what you think"},
    Entry{"wifi connected device", "Hotspot devices"},
    Entry{"yesterday", "Yesterday %H:%M"},
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
