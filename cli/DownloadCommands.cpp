// get, preview and downloads: kept downloads with progress, a preview into the cache, and the
// finished files of the current computer, all through the browser and download-list screens.

#include "BrowserSession.h"
#include "Commands.h"
#include "RunLoop.h"
#include "TerminalBrowserViews.h"

#include "app/MainLoop.h"
#include "controllers/FileDownViewController.h"

#include <unistd.h>

#include <cstdio>
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

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::vector<std::string>& parts) {
    std::string parent = parts[0];
    for (std::size_t i = 1; i + 1 < parts.size(); ++i)
        parent += "/" + parts[i];
    return parent;
}

void drawProgress(const Output& out, Wanted& w, float progress, std::uint64_t size, bool tty) {
    const int percent = static_cast<int>(progress * 100.0f);
    if (percent == w.lastPercent)
        return;
    w.lastPercent = percent;
    const std::string name = baseName(collapseSlashes(w.remote));
    if (out.json()) {
        out.event(
            {{"event", "progress"}, {"remote", w.remote}, {"percent", percent}, {"size", size}},
            "");
    } else if (tty) {
        const int width = 30;
        const int filled = percent * width / 100;
        std::fprintf(stderr, "\r%-28.28s [%s%s] %3d%% %s", name.c_str(),
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(width - filled), '.').c_str(), percent,
                     FileDownViewController::FileSizeOpti(size).c_str());
        std::fflush(stderr);
    } else if (percent % 25 == 0) {
        out.say(name + " " + std::to_string(percent) + "%");
    }
}

}  // namespace

int runGet(const GlobalOptions& options, const std::vector<std::string>& remotes) {
    Output out(options.json);
    const bool tty = ::isatty(STDERR_FILENO) == 1 && !options.json;
    BrowserSession browser(options, out);
    if (const int status = browser.connect(); status != kExitOk) {
        return status;
    }
    std::vector<Wanted> wanted;
    ComputerSession& computer = browser.computer();
    // The download list reports how each download ends; it is open before any is queued, so
    // that a file already complete on the phone is reported too.
    auto endsView = std::make_shared<TerminalDownloadListView>(out, options.yes);
    auto ends = std::make_shared<FileDownViewController>(endsView, computer.app().browserServices());
    ends->viewDidLoad();
    std::size_t endsSeen = 0;
    auto takeEnds = [&] {
        for (; endsSeen < endsView->ended.size(); ++endsSeen) {
            const DownloadEnd& end = endsView->ended[endsSeen];
            for (auto& w : wanted) {
                if (w.state == Wanted::State::Waiting &&
                    collapseSlashes(end.remotePath) == collapseSlashes(w.remote)) {
                    w.destination = end.localPath;
                    w.state = end.finished ? Wanted::State::Done : Wanted::State::Failed;
                    w.error = end.error;
                    break;
                }
            }
        }
    };

    int status = kExitOk;
    for (const auto& remote : remotes) {
        const auto parts = BrowserSession::splitPath(remote);
        if (parts.size() < 2) {
            out.error("give a file below a drive, such as C:/Users/report.docx: " + remote);
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
        if (!row) {
            out.error("no file " + parts.back() + " in " + screen->queryFullPath());
            status = kExitFailure;
            continue;
        }
        if (screen->dirAndFileListArr()[*row].isDir != 0) {
            out.error(remote + " is a folder: give the files in it");
            status = kExitFailure;
            continue;
        }
        auto* view = browser.folderView();
        const std::size_t requests = view->downloadRequests.size();
        screen->downloadRow(*row);
        if (view->downloadRequests.size() == requests) {
            continue;  // the screen did not offer a download for this row
        }
        Wanted w;
        w.remote = view->downloadRequests.back().first;
        if (view->downloadRequests.back().second != DownloadRequestOutcome::Queued) {
            out.error("the download was refused: " + remote);
            w.state = Wanted::State::Failed;
        }
        wanted.push_back(w);
    }

    // The running downloads as the download list shows them, until each one has ended.
    auto progressView = std::make_shared<TerminalDownloadListView>(out, options.yes);
    auto progress =
        std::make_shared<FileDownViewController>(progressView, computer.app().browserServices());
    progress->viewDidLoad();
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
                    drawProgress(out, w, row.progress, progressView->bytes[i].second, tty);
                }
            }
        }
        return false;
    };
    bool pausing = false;
    while (!allEnded()) {
        // Wakes for each main-queue task (the list refreshes once a second) and at the end.
        // Kept downloads go on over HTTP even if the link closes meanwhile.
        runMainUntil([&] { return allEnded() || draw() || interrupted(); },
                     std::chrono::hours(24));
        if (interrupted() && !pausing) {
            // Ctrl-C pauses: the temporary files stay, and the next run resumes them.
            pausing = true;
            for (std::size_t i = 0; i < progressView->running.size(); ++i) {
                if (progressView->running[i].bnStatus == 1) {
                    progress->downControlAction(i);
                }
            }
            runMainUntil(allEnded, std::chrono::seconds(5), false);
            break;
        }
    }
    if (tty)
        std::fprintf(stderr, "\n");

    for (const auto& w : wanted) {
        if (w.state == Wanted::State::Done) {
            out.event({{"event", "downloaded"},
                       {"remote", collapseSlashes(w.remote)},
                       {"path", w.destination}},
                      w.destination);
        } else {
            status = pausing ? 130 : kExitFailure;
            const std::string why = pausing ? "paused" : (w.error.empty() ? "failed" : w.error);
            out.event(
                {{"event", pausing ? "paused" : "failed"}, {"remote", w.remote}, {"error", why}},
                "");
            if (!pausing)
                out.error(w.remote + ": " + why);
        }
    }
    if (pausing)
        out.say("paused; run the same command again to resume");
    return status;
}

int runPreview(const GlobalOptions& options, const std::string& remote) {
    Output out(options.json);
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
    if (!row) {
        out.error("no file " + parts.back() + " in " + screen->queryFullPath());
        return kExitFailure;
    }
    if (screen->dirAndFileListArr()[*row].isDir != 0) {
        out.error(remote + " is a folder");
        return kExitFailure;
    }
    auto* view = browser.folderView();
    const std::size_t tips = view->record.tips.size();
    screen->previewRow(*row);
    browser.computer().waitFor(
        [&] {
            return (view->preview &&
                    (view->preview->openedPath || !view->preview->record.tips.empty())) ||
                   view->record.tips.size() > tips || interrupted();
        },
        std::chrono::minutes(10));
    if (view->preview && view->preview->openedPath) {
        out.event({{"event", "preview"}, {"remote", remote}, {"path", *view->preview->openedPath}},
                  *view->preview->openedPath);
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
    Output out(options.json);
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
                        out.error("not removed: " + removePath);
                        return kExitFailure;
                    }
                    out.event({{"event", "removed"}, {"path", removePath}},
                              "removed " + removePath);
                    return kExitOk;
                }
            }
        }
        out.error("no finished download at " + removePath);
        return kExitFailure;
    }

    bool any = false;
    for (const auto& section : screen->finishedSections()) {
        out.say(app::displayText(section.headerKey) + ":");
        for (const auto& row : section.rows) {
            any = true;
            out.event({{"event", "finished"},
                       {"group", section.headerKey},
                       {"name", row.fileName},
                       {"path", row.filePath},
                       {"time", row.formatTime}},
                      "  " + row.formatTime + "  " + row.filePath);
        }
    }
    if (!any)
        out.event({{"event", "none"}}, "no finished downloads");
    return kExitOk;
}

}  // namespace pd::cli
