#pragma once
// Walks the computer's disk through the browser screens as a user would: the drive screen, then
// a folder screen, tapping one folder row after another.

#include "ComputerSession.h"
#include "GlobalOptions.h"
#include "Output.h"
#include "TerminalBrowserViews.h"

#include "controllers/DiskViewController.h"
#include "controllers/FileViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pd::cli {

class BrowserSession {
  public:
    BrowserSession(const GlobalOptions& options, const Output& out);

    // Pairs with the computer (exit code as ComputerSession::pair).
    int connect();
    // Shows the drive screen and waits for the drives; false with an error printed.
    bool openDrives();
    // Selects a class in the menu ("pic", "video", "music", "file") and waits for its folders.
    bool openClass(const std::string& name);
    // Opens the folder screen of `folder` (for example "C:", "C:/Users/Demo", "Desktop/x").
    std::shared_ptr<FileViewController> openFolder(const std::string& folder);
    // The entry of the open folder with this name.
    std::optional<std::size_t> entryNamed(const FileViewController& screen,
                                          const std::string& name) const;

    // The tabs' drive screen and its view; valid after openDrives() succeeded.
    DiskViewController& disk() { return *disk_; }
    TerminalDiskView& diskView() { return *diskView_; }
    TerminalFolderView* folderView() { return diskView_->folder.get(); }
    ComputerSession& computer() { return computer_; }
    // Runs the main queue until `done`, the link closes, Ctrl-C or --timeout; says why when it
    // gave up, naming `what` it waited for. Returns done().
    bool waitFor(const std::function<bool()>& done, const std::string& what);

    // Class menu value of a class name; nullopt if it is none of the four.
    static std::optional<std::int32_t> classValue(const std::string& name);
    // "C:/a/b" -> {"C:", "a", "b"}; backslashes count as separators.
    static std::vector<std::string> splitPath(const std::string& path);
    // Whether two computer paths name the same folder ("D:\\Music" and "d:/music/").
    static bool samePath(const std::string& a, const std::string& b);

  private:
    // The drive screen row a path starts with, and how many parts of the path its name takes.
    std::optional<std::pair<std::size_t, std::size_t>> rootRowOf(
        const std::vector<std::string>& parts) const;
    // Waits for the next listing of a screen and reports a refusal. True when it listed.
    bool waitForListing(ScreenRecord& record, int listingsBefore, const std::string& what);

    const GlobalOptions& options_;
    const Output& out_;
    ComputerSession computer_;
    TerminalDiskView* diskView_ = nullptr;
    std::shared_ptr<DiskViewController> disk_;
};

}  // namespace pd::cli
