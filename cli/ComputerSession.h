#pragma once
// Finds the computer a command is about and pairs with it through the server list screen, as a
// user would: search, pick the row, tap it (or enter the code), wait for the result.

#include "GlobalOptions.h"
#include "Output.h"
#include "TerminalServerView.h"

#include "NetWork/CFindBroadcast.h"
#include "controllers/ServerViewController.h"

#include <memory>
#include <optional>
#include <vector>

namespace pd::cli {

class ComputerSession {
  public:
    ComputerSession(const GlobalOptions& options, const Output& out);
    ~ComputerSession();

    // Searches the network (or the one interface asked for) and returns the rows found.
    const std::vector<ServerListData>& search();
    // Pairs with the target of --pc (default: the last paired computer). Returns an exit code:
    // kExitOk, kExitRefused, kExitConnectionFailed or kExitNoSuchComputer.
    int pair();

    ServerViewController& controller() { return *controller_; }
    const std::optional<ServerData>& pairedComputer() const { return paired_; }

  private:
    std::optional<std::size_t> findTarget();

    const GlobalOptions& options_;
    const Output& out_;
    std::unique_ptr<CFindBroadcast> finder_;
    std::shared_ptr<TerminalServerView> view_;
    std::shared_ptr<ServerViewController> controller_;
    bool searched_ = false;
    std::optional<ServerData> paired_;
};

// HOST:PORT:HTTPPORT as a computer to connect to without discovery; nullopt if it is not one.
std::optional<ServerData> parseAddressTarget(const std::string& text);

}  // namespace pd::cli
