// get, preview and downloads: kept downloads with progress, a preview into the cache, and the
// finished files of the current computer, all through the browser and download-list screens.

#include "BrowserSession.h"
#include "Commands.h"
#include "ProgressBoard.h"
#include "RunLoop.h"
#include "TerminalBrowserViews.h"
#include "TextFormat.h"

#include "app/MainLoop.h"
#include "controllers/FileDownViewController.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>

namespace pd::cli {

namespace {

struct Wanted {
    std::string remote;
    std::string destination;
    std::string url;  // known once the download runs
    enum class State { Waiting, Done, Failed } state = State::Waiting;
    std::string error;
    int lastPercent = -1;
    std::size_t line = 0;  // its line on the progress board
};

// "C:/a//b" and "C:/a/b" name the same file.
std::string collapseSlashes(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '\\')
            c = '/';
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    return out;
}

std::string parentOf(const std::vector<std::string>& parts) {
    std::string parent = parts[0];
    for (std::size_t i = 1; i + 1 < parts.size(); ++i)
        parent += "/" + parts[i];
    return parent;
}

// Why a name given to get or preview is not a file to fetch.
std::string notAFile(const FileViewController& screen, std::optional<std::size_t> row,
                     const std::string& name) {
    if (row)
        return visibleText(screen.queryFullPath() + name) +
               " is a folder: list it with "
               "pocketdesk ls";
    return "no file " + visibleText(name) + " in " + visibleText(screen.queryFullPath());
}

// Progress for people on the board; with --json-lines one event per percent.
void showProgress(const Output& out, ProgressBoard& board, Wanted& w, float progress,
                  std::uint64_t size) {
    const auto received = static_cast<std::uint64_t>(static_cast<double>(progress) * size);
    board.update(w.line, received, size);
    const int percent = static_cast<int>(progress * 100.0f);
    if (percent == w.lastPercent)
        return;
    w.lastPercent = percent;
    out.event({{"event", "progress"},
               {"remote", w.remote},
               {"percent", percent},
               {"received", received},
               {"size", size}},
              "");
}

}  // namespace

int runGet(const GlobalOptions& options, const std::vector<std::string>& remotes) {
    Output out(options.outputMode());
    out.begin({{"downloaded", nlohmann::json::array()}, {"failed", nlohmann::json::array()}});
    const bool drawsBars = ::isatty(STDERR_FILENO) == 1 && out.text();
    ProgressBoard board(drawsBars);
    // Progress is shown as bars on a terminal and as events in the event stream; otherwise
    // nobody reads it, and the download list is not asked to refresh it every second.
    const bool showsProgress = drawsBars || out.mode() == OutputMode::JsonLines;
    BrowserSession browser(options, out);
    if (const int status = browser.connect(); status != kExitOk) {
        return status;
    }
    std::vector<Wanted> wanted;
    ComputerSession& computer = browser.computer();
    // The download list reports how each download ends; it is open before any is queued, so
    // that a file already complete on the phone is reported too.
    auto endsView = std::make_shared<TerminalDownloadListView>(out, options.yes);
    auto ends =
        std::make_shared<FileDownViewController>(endsView, computer.app().browserServices());
    ends->viewDidLoad();
    std::size_t endsSeen = 0;
    auto takeEnds = [&] {
        for (; endsSeen < endsView->ended.size(); ++endsSeen) {
            const DownloadEnd& end = endsView->ended[endsSeen];
            for (auto& w : wanted) {
                if (w.state != Wanted::State::Waiting ||
                    collapseSlashes(end.remotePath) != collapseSlashes(w.remote)) {
                    continue;
                }
                w.destination = end.localPath;
                w.state = end.finished ? Wanted::State::Done : Wanted::State::Failed;
                w.error = end.error;
                if (end.finished) {
                    // A file found whole already never showed progress.
                    board.update(w.line, end.size, end.size);
                    board.complete(w.line);
                }
                break;
            }
        }
    };

    int status = kExitOk;
    for (const auto& remote : remotes) {
        const auto parts = BrowserSession::splitPath(remote);
        if (parts.size() < 2) {
            out.error("give a file below a drive, such as C:/Users/report.docx: " +
                      visibleText(remote));
            status = kExitFailure;
            continue;
        }
        if (!browser.openDrives())
            return kExitFailure;
        auto screen = browser.openFolder(parentOf(parts));
        if (!screen) {
            status = kExitFailure;
            continue;
        }
        const auto row = browser.entryNamed(*screen, parts.back());
        if (!row || screen->dirAndFileListArr()[*row].isDir != 0) {
            out.error(notAFile(*screen, row, parts.back()));
            status = kExitFailure;
            continue;
        }
        auto* view = browser.folderView();
        const std::size_t requests = view->downloadRequests.size();
        screen->downloadRow(*row);
        if (view->downloadRequests.size() == requests) {
            continue;  // the screen offered no download for this row
        }
        Wanted w;
        w.remote = view->downloadRequests.back().first;
        w.line = board.add(visibleText(parts.back()));
        switch (view->downloadRequests.back().second) {
            case DownloadRequestOutcome::Queued:
                break;
            case DownloadRequestOutcome::Refused:
                out.error("the download was refused: " + visibleText(remote));
                w.state = Wanted::State::Failed;
                break;
            case DownloadRequestOutcome::UnusableName:
                out.error(visibleText(remote) + ": not a name a file can be saved under");
                w.state = Wanted::State::Failed;
                break;
        }
        wanted.push_back(w);
    }

    // The running downloads as the download list shows them, until each one has ended.
    auto progressView = std::make_shared<TerminalDownloadListView>(out, options.yes);
    auto progress =
        std::make_shared<FileDownViewController>(progressView, computer.app().browserServices());
    if (showsProgress) {
        progress->viewDidLoad();
    }
    auto allEnded = [&] {
        takeEnds();
        for (const auto& w : wanted) {
            if (w.state == Wanted::State::Waiting)
                return false;
        }
        return true;
    };
    auto draw = [&] {
        for (std::size_t i = 0; i < progressView->running.size(); ++i) {
            const DownloadRow& row = progressView->running[i];
            for (auto& w : wanted) {
                if (w.state == Wanted::State::Waiting &&
                    collapseSlashes(row.remotePath) == collapseSlashes(w.remote)) {
                    w.url = row.url;
                    showProgress(out, board, w, row.progress, progressView->bytes[i].second);
                }
            }
        }
        board.draw();
        return false;
    };
    bool pausing = false;
    while (!allEnded()) {
        // Wakes for each main-queue task (the list refreshes once a second) and at the end.
        // Kept downloads go on over HTTP even if the link closes meanwhile.
        runMainUntil([&] { return allEnded() || draw() || interrupted(); }, std::chrono::hours(24));
        if (interrupted() && !pausing) {
            // Ctrl-C pauses: the temporary files stay, and the next run resumes them.
            pausing = true;
            if (!showsProgress) {
                progress->viewDidLoad();  // the rows of what runs, to pause each one
            }
            for (std::size_t i = 0; i < progressView->running.size(); ++i) {
                if (progressView->running[i].bnStatus == 1) {
                    progress->downControlAction(i);
                }
            }
            runMainUntil(allEnded, std::chrono::seconds(5), false);
            break;
        }
    }
    board.end();

    for (const auto& w : wanted) {
        if (w.state == Wanted::State::Done) {
            out.result("downloaded", "downloaded",
                       {{"remote", collapseSlashes(w.remote)}, {"path", w.destination}},
                       visibleText(w.destination));
        } else {
            status = pausing ? kExitInterrupted : kExitFailure;
            const std::string why = pausing ? "paused" : (w.error.empty() ? "failed" : w.error);
            if (!out.text()) {
                out.result(pausing ? "paused" : "failed", "failed",
                           {{"remote", collapseSlashes(w.remote)}, {"error", why}}, "");
            }
            if (!pausing)
                out.error(visibleText(collapseSlashes(w.remote)) + ": " + why);
        }
    }
    if (pausing)
        out.say("paused; run the same command again to resume");
    return status;
}

int runPreview(const GlobalOptions& options, const std::string& remote) {
    Output out(options.outputMode());
    BrowserSession browser(options, out);
    const auto parts = BrowserSession::splitPath(remote);
    if (parts.size() < 2) {
        out.error("give a file below a drive, such as C:/Users/notes.txt");
        return kExitUsage;
    }
    if (const int status = browser.connect(); status != kExitOk)
        return status;
    if (!browser.openDrives())
        return kExitFailure;
    auto screen = browser.openFolder(parentOf(parts));
    if (!screen)
        return kExitFailure;
    const auto row = browser.entryNamed(*screen, parts.back());
    if (!row || screen->dirAndFileListArr()[*row].isDir != 0) {
        out.error(notAFile(*screen, row, parts.back()));
        return kExitFailure;
    }
    auto* view = browser.folderView();
    const std::size_t tips = view->record.tips.size();
    screen->previewRow(*row);
    const auto ended = [&] {
        return (view->preview &&
                (view->preview->openedPath || !view->preview->record.tips.empty())) ||
               view->record.tips.size() > tips;
    };
    // However long the file takes, the computer may not stay silent for longer than --timeout.
    float seen = -1;
    const auto progressed = [&] { return view->preview && view->preview->progress != seen; };
    while (!ended()) {
        if (view->preview)
            seen = view->preview->progress;
        if (!browser.computer().waitFor([&] { return ended() || progressed(); },
                                        options.answerLimit())) {
            if (interrupted())
                return kExitInterrupted;
            out.error(browser.computer().whyNoAnswer("the preview of " + visibleText(remote)));
            return kExitFailure;
        }
    }
    if (view->preview && view->preview->openedPath) {
        out.result("preview", "", {{"remote", remote}, {"path", *view->preview->openedPath}},
                   visibleText(*view->preview->openedPath));
        return kExitOk;
    }
    std::string why = "the preview did not finish";
    if (view->preview && !view->preview->record.tips.empty())
        why = app::displayText(view->preview->record.tips.back());
    if (view->record.tips.size() > tips)
        why = app::displayText(view->record.tips.back());
    if (browser.computer().linkClosed())
        why = "the computer closed the connection";
    out.error(why);
    return kExitFailure;
}

int runDownloads(const GlobalOptions& options, const std::string& removePath) {
    Output out(options.outputMode());
    // Without --pc the list is the one of the computer paired last; no connection is needed.
    BrowserSession browser(options, out);
    if (!options.pc.empty()) {
        if (const int status = browser.connect(); status != kExitOk)
            return status;
    } else if (!browser.computer().controller().lastDeviceTag()) {
        out.error("no computer paired yet: give --pc");
        return kExitNoSuchComputer;
    }
    auto view = std::make_shared<TerminalDownloadListView>(out, options.yes);
    auto screen =
        std::make_shared<FileDownViewController>(view, browser.computer().app().browserServices());
    screen->viewDidLoad();
    screen->selectTab(0);

    if (!removePath.empty()) {
        const auto sections = screen->finishedSections();
        for (std::size_t s = 0; s < sections.size(); ++s) {
            for (std::size_t r = 0; r < sections[s].rows.size(); ++r) {
                if (sections[s].rows[r].filePath == removePath) {
                    const int before = view->record.reloads;
                    screen->deleteFinishedRow(s, r);
                    // A terminal may take its time to answer the question.
                    browser.computer().waitFor(
                        [&] { return view->record.reloads > before || view->record.declined; },
                        std::chrono::minutes(5));
                    if (view->record.reloads == before) {
                        out.error("not removed: " + visibleText(removePath));
                        return kExitFailure;
                    }
                    out.result("removed", "", {{"removed", removePath}},
                               "removed " + visibleText(removePath));
                    return kExitOk;
                }
            }
        }
        out.error("no finished download at " + visibleText(removePath));
        return kExitFailure;
    }

    out.begin({{"finished", nlohmann::json::array()}});
    bool any = false;
    std::string text;
    for (const auto& section : screen->finishedSections()) {
        if (section.rows.empty())
            continue;  // no heading without rows
        any = true;
        if (out.text()) {
            Table table({Table::Align::Left, Table::Align::Left});
            for (const auto& row : section.rows)
                table.addRow({"  " + row.formatTime, visibleText(row.filePath)});
            text += app::displayText(section.headerKey) + ":\n";
            table.renderInto(text);
            continue;
        }
        for (const auto& row : section.rows) {
            out.result("finished", "finished",
                       {{"group", section.headerKey},
                        {"name", row.fileName},
                        {"path", row.filePath},
                        {"time", row.formatTime}},
                       "");
        }
    }
    out.block(text);
    if (!any)
        out.say("no finished downloads");
    return kExitOk;
}

}  // namespace pd::cli
