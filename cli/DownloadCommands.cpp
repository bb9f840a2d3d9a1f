// get, preview and downloads: kept downloads with progress, a preview into the cache, and the
// finished files of the current computer, all through the browser and download-list screens.

#include "BrowserSession.h"
#include "Commands.h"
#include "ProgressBoard.h"
#include "RunLoop.h"
#include "TerminalBrowserViews.h"
#include "TextFormat.h"

#include "NetWork/DownloadPaths.h"
#include "controllers/FileDownViewController.h"
#include "core/AuthCore.h"
#include "core/DownloadService.h"
#include "platform/Localization.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

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

std::string textOf(const UserInfo& info, const char* key) {
    auto it = info.find(key);
    if (it == info.end())
        return {};
    if (auto s = std::get_if<std::string>(&it->second))
        return *s;
    return {};
}

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
    ProgressBoard board(::isatty(STDERR_FILENO) == 1 && out.text());
    BrowserSession browser(options, out);
    if (const int status = browser.connect(); status != kExitOk) {
        return status;
    }
    std::vector<Wanted> wanted;
    auto& center = NotificationCenter::defaultCenter();
    auto onEnd = [&](const std::string& name, const UserInfo& info) {
        std::string dest = textOf(info, "path");
        if (dest.empty())
            dest = textOf(info, "filePath");
        for (auto& w : wanted) {
            if (w.state != Wanted::State::Waiting)
                continue;
            // A file already complete is reported before any record exists: match it by name.
            const bool matches = w.destination.empty() ? baseName(dest) == safeFileName(w.remote)
                                                       : w.destination == dest;
            if (matches) {
                w.destination = dest;
                w.state = name == kHttpTaskSuccessNotification ? Wanted::State::Done
                                                               : Wanted::State::Failed;
                if (w.state == Wanted::State::Done) {
                    // A file found whole already never showed progress: its size is on disk.
                    std::error_code ec;
                    const auto size = std::filesystem::file_size(dest, ec);
                    if (!ec)
                        board.update(w.line, size, size);
                    board.complete(w.line);
                }
                w.error = textOf(info, "error");
            }
        }
    };
    const ObserverToken ok = center.addObserver(kHttpTaskSuccessNotification, onEnd);
    const ObserverToken failed = center.addObserver(kHttpTaskFailureNotification, onEnd);

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
        const std::string computerPath = screen->queryFullPath() + parts.back();
        Wanted w;
        w.remote = computerPath;
        w.line = board.add(visibleText(parts.back()));
        wanted.push_back(w);
        auto* view = browser.folderView();
        const std::size_t tips = view->record.tips.size();
        screen->downloadRow(*row);
        if (view->record.tips.size() > tips &&
            view->record.tips.back() != Localized("joined the download queue")) {
            out.error(view->record.tips.back() + ": " + visibleText(remote));
            wanted.back().state = Wanted::State::Failed;
        }
    }

    // Follow the running downloads through the service's records until each one has ended.
    auto allEnded = [&] {
        for (const auto& w : wanted) {
            if (w.state == Wanted::State::Waiting)
                return false;
        }
        return true;
    };
    bool pausing = false;
    while (!allEnded()) {
        MainQueue::shared().runFor(std::chrono::milliseconds(100));
        for (const auto& record : DownloadService::sharedNetworkQueue().httpDownListArr()) {
            for (auto& w : wanted) {
                if (collapseSlashes(record->filePath) == collapseSlashes(w.remote) &&
                    w.state == Wanted::State::Waiting) {
                    w.destination = record->fileName;
                    w.url = record->url;
                    showProgress(out, board, w, record->progress.load(), record->fileSize.load());
                }
            }
        }
        board.draw();
        if (interrupted() && !pausing) {
            // Ctrl-C pauses: the temporary files stay, and the next run resumes them.
            pausing = true;
            for (auto& w : wanted) {
                if (w.state == Wanted::State::Waiting && !w.url.empty()) {
                    AuthCore::ShareInstance().PauseHttpDownTask(w.url);
                }
            }
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!allEnded() && std::chrono::steady_clock::now() < deadline) {
                MainQueue::shared().runFor(std::chrono::milliseconds(50));
            }
            break;
        }
    }
    board.end();
    center.removeObserver(ok);
    center.removeObserver(failed);

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
                           {{"remote", w.remote}, {"error", why}}, "");
            }
            if (!pausing)
                out.error(visibleText(w.remote) + ": " + why);
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
    runMainUntil(
        [&] {
            return (view->preview &&
                    (view->preview->openedPath || !view->preview->record.tips.empty())) ||
                   view->record.tips.size() > tips;
        },
        std::chrono::minutes(10));
    if (view->preview && view->preview->openedPath) {
        out.result("preview", "", {{"remote", remote}, {"path", *view->preview->openedPath}},
                   visibleText(*view->preview->openedPath));
        return kExitOk;
    }
    std::string why = "the preview did not finish";
    if (view->preview && !view->preview->record.tips.empty())
        why = view->preview->record.tips.back();
    if (view->record.tips.size() > tips)
        why = view->record.tips.back();
    out.error(why);
    return kExitFailure;
}

int runDownloads(const GlobalOptions& options, const std::string& removePath) {
    Output out(options.outputMode());
    AuthCore& core = AuthCore::ShareInstance();
    std::unique_ptr<BrowserSession> browser;
    if (!options.pc.empty()) {
        browser = std::make_unique<BrowserSession>(options, out);  // learn the computer's tag
        if (const int status = browser->connect(); status != kExitOk)
            return status;
    } else if (auto last = core.ReadLastDeviceTag()) {
        core.deviceTag = *last;
    } else {
        out.error("no computer paired yet: give --pc");
        return kExitNoSuchComputer;
    }
    auto view = std::make_shared<TerminalDownloadListView>(out, options.yes);
    auto screen = std::make_shared<FileDownViewController>(view, BrowserServices::standard());
    screen->viewDidLoad();
    screen->selectTab(0);
    runMainUntil([&] { return view->record.reloads > 0; }, std::chrono::seconds(5));

    if (!removePath.empty()) {
        const auto sections = screen->finishedSections();
        for (std::size_t s = 0; s < sections.size(); ++s) {
            for (std::size_t r = 0; r < sections[s].rows.size(); ++r) {
                if (sections[s].rows[r].filePath == removePath) {
                    const int before = view->record.reloads;
                    screen->deleteFinishedRow(s, r);
                    // A terminal may take its time to answer the question.
                    runMainUntil(
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
            text += Localized(section.headerKey) + ":\n";
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
