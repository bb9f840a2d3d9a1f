// capture, captures: the panel's screen capture, and the capture history with its delete
// action. The history needs no computer.

#include "Commands.h"
#include "RemotePanel.h"
#include "TextFormat.h"

#include "controllers/CaptureFiles.h"
#include "controllers/ScreenHisTableController.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace pd::cli {

namespace {

// Hands the file to the desktop's viewer and does not wait for it.
void openInViewer(const Output& out, const std::string& path) {
    std::string program = "xdg-open";
    std::string file = path;
    char* argv[] = {program.data(), file.data(), nullptr};
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ);
    if (error == ENOENT) {
        out.say("xdg-open is not installed: open the file yourself");
    } else if (error != 0) {
        out.say("could not start xdg-open to show the capture");
    }
}

}  // namespace

int runCapture(const GlobalOptions& options, bool open) {
    Output out(options.outputMode());
    ComputerSession computer(options, out);
    RemotePanel panel;
    if (const int status = openRemotePanel(computer, out, panel); status != kExitOk) {
        return status;
    }
    panel.screen->BnCaptureScreen();
    if (!computer.waitForAnswer([&] { return panel.view->capture.has_value(); },
                                "the screen capture")) {
        return kExitFailure;
    }
    const auto& [outcome, path] = *panel.view->capture;
    switch (outcome) {
        case CaptureOutcome::Saved:
            out.result("capture", "", {{"path", path}}, visibleText(path));
            if (open) {
                openInViewer(out, path);
            }
            return kExitOk;
        case CaptureOutcome::NotSaved:
            out.error("the capture arrived but could not be written into " +
                      visibleText(panel.screen->screenCapDirectory().string()));
            break;
        case CaptureOutcome::NotAPicture:
            out.error("the computer's capture is not a picture (or too large); nothing was kept");
            break;
        case CaptureOutcome::Failed:
            out.error("the computer could not capture its screen");
            break;
    }
    return kExitFailure;
}

int runCaptures(const GlobalOptions& options, const std::string& removeName) {
    Output out(options.outputMode());
    ComputerSession phone(options, out);  // the application's home; nothing is paired
    ScreenHisTableController history(std::weak_ptr<ScreenHistoryView>(),
                                     phone.app().browserServices(), captureFolder());
    history.viewDidLoad();
    const std::vector<ScreenHistoryRow> rows = history.rows();
    if (!removeName.empty()) {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].fileName == removeName || rows[i].filePath == removeName) {
                history.didTriggerRightUtilityButton(i, 0);
                out.result("deleted", "", {{"name", rows[i].fileName}, {"path", rows[i].filePath}},
                           "deleted " + visibleText(rows[i].fileName));
                return kExitOk;
            }
        }
        out.error("no capture named " + visibleText(removeName) +
                  " (pocketdesk captures lists them)");
        return kExitFailure;
    }
    if (out.json()) {
        nlohmann::json list = nlohmann::json::array();
        for (const ScreenHistoryRow& row : rows) {
            list.push_back(
                {{"name", row.fileName}, {"time", row.timeLabel}, {"path", row.filePath}});
        }
        out.jsonLine(list);
        return kExitOk;
    }
    if (rows.empty()) {
        out.say("no captures yet (pocketdesk capture takes one)");
        return kExitOk;
    }
    Table table({Table::Align::Left, Table::Align::Left, Table::Align::Left});
    table.reserve(rows.size());
    std::vector<std::string> cells;
    cells.reserve(rows.size() * 3);
    for (const ScreenHistoryRow& row : rows) {
        cells.push_back(visibleText(row.fileName));
        cells.push_back(visibleText(row.timeLabel));
        cells.push_back(visibleText(row.filePath));
    }
    for (std::size_t i = 0; i < cells.size(); i += 3) {
        table.addRow({cells[i], cells[i + 1], cells[i + 2]});
    }
    std::string text;
    table.renderInto(text);
    out.block(text);
    return kExitOk;
}

}  // namespace pd::cli
