#include "Commands.h"
#include "ComputerSession.h"
#include "Output.h"
#include "TextFormat.h"

namespace pd::cli {

int runScan(const GlobalOptions& options) {
    Output out(options.outputMode());
    out.begin({{"computers", nlohmann::json::array()}});
    ComputerSession session(options, out);
    const auto& rows = options.hosts.empty() ? session.search() : session.searchAt(options.hosts);
    if (rows.empty()) {
        out.say("no computer found");
        return kExitOk;
    }
    Table table({Table::Align::Left, Table::Align::Left, Table::Align::Left, Table::Align::Left,
                 Table::Align::Left, Table::Align::Left});
    bool anyRemembered = false;
    for (const auto& row : rows) {
        const ServerData& s = row.serverData;
        anyRemembered |= row.remembered;
        if (out.text()) {
            table.addRow({row.remembered ? "*" : "", visibleText(s.DeviceName), visibleText(s.IP),
                          "control " + std::to_string(s.WSAPPort),
                          "http " + std::to_string(s.HttpPort),
                          "tag " + visibleText(s.DeviceNameTag)});
            continue;
        }
        out.result("computer", "computers",
                   {{"name", s.DeviceName},
                    {"address", s.IP},
                    {"control_port", s.WSAPPort},
                    {"http_port", s.HttpPort},
                    {"tag", s.DeviceNameTag},
                    {"remembered", row.remembered}},
                   "");
    }
    if (out.text()) {
        std::string text;
        table.renderInto(text);
        out.block(text);
        if (anyRemembered)
            out.say("(* paired before)");
    }
    return kExitOk;
}

int runPair(const GlobalOptions& options) {
    Output out(options.outputMode());
    ComputerSession session(options, out);
    const int status = session.pair();
    if (status == kExitOk) {
        const ServerData& s = *session.pairedComputer();
        out.result("paired", "",
                   {{"name", s.DeviceName}, {"address", s.IP}, {"tag", s.DeviceNameTag}},
                   s.DeviceName == s.IP
                       ? "paired with " + visibleText(s.IP)
                       : "paired with " + visibleText(s.DeviceName) + " at " + visibleText(s.IP));
    } else if (status == kExitRefused) {
        out.event({{"event", "refused"}, {"code_given", !options.code.empty()}}, "");
    } else if (status == kExitConnectionFailed) {
        out.event({{"event", "connection_failed"}}, "");
    }
    return status;
}

}  // namespace pd::cli
