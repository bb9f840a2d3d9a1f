#pragma once
// The application on a terminal: it starts the application object, shows its screens as text,
// finds the computer a command is about and pairs with it through the server list screen, as a
// user would: search, pick the row, tap it (or enter the code), wait for the result. When the
// command ends the application "enters the background", which remembers the computer.

#include "GlobalOptions.h"
#include "Output.h"
#include "TerminalAppView.h"

#include "app/AppDelegate.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pd::cli {

class ComputerSession {
  public:
    ComputerSession(const GlobalOptions& options, const Output& out);
    ~ComputerSession();
    ComputerSession(const ComputerSession&) = delete;
    ComputerSession& operator=(const ComputerSession&) = delete;

    // Searches the network (or the one interface asked for) and returns the rows found.
    const std::vector<ServerListData>& search();
    // Asks these computers (IPv4 addresses) instead of broadcasting; returns the rows.
    const std::vector<ServerListData>& searchAt(const std::vector<std::string>& hosts);
    // Opens the More screen; null when the front-end gave it no view.
    TerminalMoreView* showMore();
    // Pairs with the target of --pc (default: the last paired computer). Returns an exit code:
    // kExitOk, kExitRefused, kExitConnectionFailed or kExitNoSuchComputer.
    int pair();
    // Pairs, then waits until the tabs' first screen has its drive list: the link answers one
    // request at a time, so a tab's own requests go out after that answer. Exit code as pair(),
    // or kExitConnectionFailed when the tabs did not open.
    int openTabs();

    // Runs the main queue until `done` holds, the link closes, Ctrl-C or `limit`. Returns done().
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit);
    // The same with the --timeout limit; prints why it gave up, naming `what` it waited for.
    bool waitForAnswer(const std::function<bool()>& done, const std::string& what);
    // Why a wait for `what` ended without its answer: closed link, Ctrl-C or the time limit.
    std::string whyNoAnswer(const std::string& what) const;
    bool linkClosed() const { return screens_->linkClosed; }

    AppDelegate& app() { return *app_; }
    ServerViewController& controller() { return app_->serverList(); }
    const std::optional<ServerData>& pairedComputer() const { return paired_; }
    // The drive screen of the tabs, once paired (else null).
    TerminalDiskView* diskView() { return screens_->diskView(); }
    // The tabs' views, once paired (else null).
    TerminalTabsView* tabsView() { return screens_->tabs.get(); }

  private:
    std::optional<std::size_t> findTarget();

    const GlobalOptions& options_;
    const Output& out_;
    std::shared_ptr<TerminalAppView> screens_;
    std::unique_ptr<AppDelegate> app_;
    bool searched_ = false;
    std::optional<ServerData> paired_;
};

}  // namespace pd::cli
