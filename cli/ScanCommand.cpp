#include "Commands.h"
#include "ComputerSession.h"
#include "Output.h"

namespace pd::cli {

int runScan(const GlobalOptions& options) {
    Output out(options.json);
    ComputerSession session(options, out);
    const auto& rows = session.search();
    if (rows.empty()) {
        out.event({{"event", "none"}}, "no computer found");
        return kExitOk;
    }
    for (const auto& row : rows) {
        const ServerData& s = row.serverData;
        nlohmann::json j = {
            {"event", "computer"},         {"name", s.DeviceName},    {"address", s.IP},
            {"control_port", s.WSAPPort},  {"http_port", s.HttpPort}, {"tag", s.DeviceNameTag},
            {"remembered", row.remembered}};
        const std::string text = (row.remembered ? "* " : "  ") + s.DeviceName + "  " + s.IP +
                                 "  control " + std::to_string(s.WSAPPort) + "  http " +
                                 std::to_string(s.HttpPort) + "  tag " + s.DeviceNameTag;
        out.event(j, text);
    }
    out.say("(* remembered)");
    return kExitOk;
}

int runPair(const GlobalOptions& options) {
    Output out(options.json);
    ComputerSession session(options, out);
    const int status = session.pair();
    if (status == kExitOk) {
        const ServerData& s = *session.pairedComputer();
        out.event({{"event", "paired"},
                   {"name", s.DeviceName},
                   {"address", s.IP},
                   {"tag", s.DeviceNameTag}},
                  "paired with " + s.DeviceName + " (" + s.IP + ")");
    } else if (status == kExitRefused) {
        out.event({{"event", "refused"}}, "the computer refused the check code");
    } else if (status == kExitConnectionFailed) {
        out.event({{"event", "connection_failed"}}, "could not connect to the computer");
    }
    return status;
}

}  // namespace pd::cli
