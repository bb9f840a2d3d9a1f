// share: serve the paired computer's phone-file commands; settings: show and change settings.

#include "Commands.h"
#include "ComputerSession.h"
#include "RunLoop.h"
#include "TextFormat.h"

#include "app/AppSettings.h"

#include <algorithm>

namespace pd::cli {

namespace {

// What a command did, in a line: the reply code and, for a listing, how many entries.
std::string summary(const PhoneFileEvent& event) {
    if (!event.status) {
        return "(no reply)";
    }
    std::string text = event.status->substr(0, event.status->find_last_not_of(' ') + 1);
    if (event.entries > 0) {
        text +=
            " (" + std::to_string(event.entries) + (event.entries == 1 ? " entry)" : " entries)");
    }
    return text;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) {
        out += (out.empty() ? "" : ", ") + n;
    }
    return out;
}

}  // namespace

int runShare(const GlobalOptions& options) {
    Output out(options.outputMode());
    ComputerSession session(options, out);
    session.app().observePhoneFileCommands([&out](const PhoneFileEvent& event) {
        nlohmann::json item = {{"command", event.command}, {"entries", event.entries}};
        item["reply"] = event.status ? nlohmann::json(*event.status) : nlohmann::json();
        out.result("phone_file", "commands", item,
                   visibleText(event.command) + "  ->  " + summary(event));
        flushStdout();  // each line as it happens: this command runs until Ctrl-C
    });
    out.begin({{"commands", nlohmann::json::array()}});
    const int status = session.pair();
    if (status != kExitOk) {
        return status;
    }
    for (const auto& row : appSettings()) {
        if (row.name == "phone-files" && row.get() == "off") {
            out.error(
                "phone files are off: the computer's commands are refused "
                "(pocketdesk settings phone-files on)");
        }
    }
    out.event({{"event", "sharing"}, {"address", session.pairedComputer()->IP}},
              "sharing this phone's files with " + visibleText(session.pairedComputer()->IP) +
                  "; Ctrl-C ends");
    session.waitFor([] { return false; }, std::chrono::hours(24 * 365));
    session.app().observePhoneFileCommands(nullptr);
    if (session.linkClosed()) {
        out.error("the computer closed the connection");
        out.finish();
        return kExitFailure;
    }
    out.finish();
    return kExitOk;
}

int runSettings(const GlobalOptions& options, const std::string& key, const std::string& value) {
    Output out(options.outputMode());
    const std::vector<SettingRow> rows = appSettings(options.home);
    std::vector<std::string> names;
    for (const auto& row : rows) {
        names.push_back(row.name);
    }
    if (key.empty()) {
        out.begin({{"settings", nlohmann::json::array()}});
        Table table({Table::Align::Left, Table::Align::Left, Table::Align::Left});
        for (const auto& row : rows) {
            table.addRow({row.name, row.get(), row.description});
            out.result("setting", "settings",
                       {{"name", row.name}, {"value", row.get()}, {"values", row.values}}, "");
        }
        if (out.text()) {
            std::string lines;
            table.renderInto(lines);
            out.block(lines);
        }
        out.finish();
        return kExitOk;
    }
    const auto row =
        std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.name == key; });
    if (row == rows.end()) {
        out.error("no setting '" + visibleText(key) + "' (settings: " + joined(names) + ")");
        return kExitUsage;
    }
    if (!value.empty()) {
        if (!row->values.empty() &&
            std::find(row->values.begin(), row->values.end(), value) == row->values.end()) {
            out.error("'" + visibleText(value) + "' is not a value of " + row->name + " (give " +
                      joined(row->values) + ")");
            return kExitUsage;
        }
        if (const std::string problem = row->problem ? row->problem(value) : ""; !problem.empty()) {
            out.error(visibleText(problem));
            return kExitUsage;
        }
        row->set(value);
    }
    out.result("setting", "", {{"name", row->name}, {"value", row->get()}, {"values", row->values}},
               row->name + "  " + row->get());
    out.finish();
    return kExitOk;
}

}  // namespace pd::cli
