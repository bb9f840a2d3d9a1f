#pragma once
// One row of the drive screen or the folder screen, as plain data for the view.

#include <string>
#include <vector>

namespace pd {

enum class BrowserRowKind {
    Desktop,      // the computer's desktop folder (root listing)
    SystemDrive,  // root listing, the drive the system runs from
    Drive,        // root listing, any other drive
    ClassFolder,  // a member folder of a user class
    Folder,
    File,
    Other,  // an entry kind the phone does not know: shown, never acted on
};

// The kind as front-ends name it: "desktop", "system drive", "drive", "class folder",
// "folder", "file" or "other".
const char* rowKindName(BrowserRowKind kind);

// Swipe actions, in the order the row offers them.
enum class BrowserRowAction { More, Download, DeleteFromClass };

struct BrowserRow {
    std::string label;
    std::string detail;    // description line under the label (drives); empty elsewhere
    std::string icon;      // image name; empty for none
    std::string sizeText;  // files only
    std::string timeText;  // modification time on the folder screen; empty when unknown
    BrowserRowKind kind = BrowserRowKind::Other;
    std::vector<BrowserRowAction> swipeActions;
    // Class-filling mode shows a toggle instead of the swipe actions.
    bool hasClassToggle = false;
    bool classToggleOn = false;
    std::string path;  // the entry's real path on the computer (drive screen) or its name

    bool operator==(const BrowserRow&) const = default;
};

}  // namespace pd
