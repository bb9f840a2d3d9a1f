// hotspot: the devices on the computer's hotspot, opened from the remote control panel as the
// hotspot list screen, printed once or, with --watch, at each refresh until Ctrl-C.

#include "Commands.h"
#include "RemotePanel.h"
#include "RunLoop.h"
#include "TextFormat.h"

#include "app/MainLoop.h"
#include "controllers/WifiMgrVC.h"

#include <unistd.h>

#include <algorithm>

namespace pd::cli {

namespace {

// Watching ends by Ctrl-C or with the link; the screen refreshes once a second meanwhile.
constexpr auto kWatchLimit = std::chrono::hours(24);

const char* kindOf(const WifiRow& row) {
    switch (row.connType) {
        case 0:
            return "device";
        case 1:
            return "blocked";
        case 2:
            return "this phone";
        default:
            return "other";
    }
}

std::string renderRows(const std::vector<WifiRow>& rows) {
    if (rows.empty()) {
        return "no device on the hotspot\n";
    }
    Table table({Table::Align::Left, Table::Align::Right, Table::Align::Left});
    table.reserve(rows.size());
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (const WifiRow& row : rows) {
        names.push_back(visibleText(row.name));
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table.addRow({names[i], rows[i].speed, kindOf(rows[i])});
    }
    std::string text;
    table.renderInto(text);
    return text;
}

nlohmann::json rowsJson(const std::vector<WifiRow>& rows) {
    nlohmann::json list = nlohmann::json::array();
    for (const WifiRow& row : rows) {
        list.push_back({{"name", row.name}, {"speed", row.speed}, {"kind", kindOf(row)}});
    }
    return list;
}

// Prints the refreshes: each block after the last on a pipe, in place of it on a terminal.
class HotspotPrinter {
  public:
    HotspotPrinter(const Output& out, bool inPlace) : out_(out), inPlace_(inPlace) {}

    void print(TerminalHotspotView& view) {
        std::string text;
        if (inPlace_ && shownLines_ > 0) {
            text = "\033[" + std::to_string(shownLines_) + "A\033[J";
        } else if (shownLines_ > 0) {
            text = "\n";  // appended blocks, one blank line apart
        }
        for (const std::string& model : view.newcomers) {
            out_.event({{"event", "new_device"}, {"model", model}}, "");
            text +=
                app::displayText("new device on the hotspot") + ": " + visibleText(model) + "\n";
        }
        view.newcomers.clear();
        if (out_.json()) {
            out_.jsonLine(rowsJson(view.rows));
            return;
        }
        const std::string block = renderRows(view.rows);
        shownLines_ = static_cast<int>(std::count(block.begin(), block.end(), '\n'));
        out_.block(text + block);
        flushStdout();
    }

  private:
    const Output& out_;
    bool inPlace_;
    int shownLines_ = 0;
};

}  // namespace

int runHotspot(const GlobalOptions& options, bool watch) {
    Output out(options.outputMode());
    ComputerSession computer(options, out);
    RemotePanel panel;
    if (const int status = openRemotePanel(computer, out, panel); status != kExitOk) {
        return status;
    }
    panel.screen->OpenHotspotList();
    auto screen = panel.view->hotspotScreen;
    auto view = panel.view->hotspot;
    if (!screen || !view) {
        out.error("the hotspot list did not open");
        return kExitFailure;
    }
    if (!computer.waitForAnswer([&] { return view->refreshes > 0; }, "the hotspot's devices")) {
        screen->DoBack();
        return kExitFailure;
    }
    HotspotPrinter printer(out, watch && out.text() && ::isatty(STDOUT_FILENO) == 1);
    if (!watch) {
        printer.print(*view);
        screen->DoBack();
        return kExitOk;
    }
    int shown = 0;
    while (!interrupted() && !computer.linkClosed()) {
        if (view->refreshes != shown) {
            shown = view->refreshes;
            printer.print(*view);
        }
        computer.waitFor([&] { return view->refreshes != shown; }, kWatchLimit);
    }
    // Leaving the screen stops its poll.
    screen->DoBack();
    if (computer.linkClosed()) {
        out.error("the computer closed the connection");
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace pd::cli
