#pragma once
// Options every command shares.

#include "Output.h"

#include <chrono>
#include <string>
#include <vector>

namespace pd::cli {

struct GlobalOptions {
    std::string home;                // application home (--home)
    std::string pc;                  // name, tag or address from discovery, or HOST:PORT:HTTPPORT
    std::string code;                // check code to pair with (--code)
    std::string interfaceName;       // search only this interface (--interface)
    std::string photos;              // the photo library's folder (--photos)
    std::vector<std::string> hosts;  // scan: ask these addresses instead of broadcasting
    int discoveryPort = 6866;
    int timeoutSeconds = 30;  // how long a command waits for the computer (--timeout)
    bool json = false;        // one JSON document per command
    bool jsonLines = false;   // every event as one JSON object per line
    bool yes = false;         // answer confirmations with ok
    bool verbose = false;
    bool askForCode = true;  // on a terminal, ask for the check code once after a refusal

    std::chrono::seconds answerLimit() const { return std::chrono::seconds(timeoutSeconds); }
    OutputMode outputMode() const {
        return jsonLines ? OutputMode::JsonLines : json ? OutputMode::Json : OutputMode::Text;
    }
};

// Exit statuses of the commands.
enum ExitCode {
    kExitOk = 0,
    kExitFailure = 1,
    kExitUsage = 2,
    kExitNoSuchComputer = 3,
    kExitRefused = 4,
    kExitConnectionFailed = 5,
    kExitInterrupted = 130,  // Ctrl-C, as shells report a SIGINT
};

}  // namespace pd::cli
