// backup: photos of the phone's library to the computer, through the backup screen as a user
// would do it: --all shakes the phone, named photos are picked in the select tab's browser.

#include "Commands.h"
#include "ComputerSession.h"
#include "RunLoop.h"
#include "TextFormat.h"

#include "controllers/BackFileViewController.h"

#include <unistd.h>

#include <filesystem>

namespace pd::cli {

namespace {

namespace fs = std::filesystem;

constexpr auto kScanLimit = std::chrono::seconds(60);
// A batch may take long; it ends by itself, by Ctrl-C or with the link.
constexpr auto kBatchLimit = std::chrono::hours(24);

// The browser entry a name given on the command line means: an asset URL, the photo's file
// (any path to it) or its file name in the library.
std::optional<std::size_t> findPhoto(const std::vector<PhotoEntry>& photos,
                                     const std::string& wanted) {
    std::error_code ec;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        if (photos[i].url == wanted || photos[i].fileName == wanted ||
            (fs::exists(wanted, ec) && fs::equivalent(wanted, photos[i].imagePath, ec))) {
            return i;
        }
    }
    return std::nullopt;
}

// Picks `files` in the select tab's browser and closes it; false (having said why) when one
// is not a photo of the library.
bool pickPhotos(ComputerSession& computer, BackFileViewController& screen, TerminalBackupView& view,
                const std::vector<std::string>& files, const Output& out) {
    screen.selectTab(1);
    if (!computer.waitFor([&] { return view.browser.has_value() || !view.tips.empty(); },
                          kScanLimit) ||
        !view.browser) {
        out.error("the photo browser did not open");
        return false;
    }
    for (const std::string& file : files) {
        const auto index = findPhoto(*view.browser, file);
        if (!index) {
            out.error("not a photo of the library: " + visibleText(file));
            return false;
        }
        screen.photoBrowserSelectedChanged(*index, true);
    }
    screen.photoBrowserDidFinishModalPresentation();
    return true;
}

}  // namespace

int runBackup(const GlobalOptions& options, const BackupOptions& backup) {
    Output out(options.outputMode());
    out.begin({{"items", nlohmann::json::array()}});
    if (backup.all == !backup.files.empty()) {
        out.error("give --all, or the photos to back up (not both)");
        return kExitUsage;
    }
    ComputerSession computer(options, out);
    if (const int status = computer.openTabs(); status != kExitOk) {
        return status;
    }
    auto tabs = computer.app().mainTabs();
    TerminalTabsView* tabsView = computer.tabsView();
    tabsView->drawsBars = ::isatty(STDERR_FILENO) == 1 && out.text();
    tabs->tabBarDidSelectItem(MainTabBarViewController::kBackupTag);
    auto screen = tabs->backup();
    auto view = tabsView->backup;
    if (!screen || !view) {
        out.error("the backup screen did not open");
        return kExitFailure;
    }
    screen->setSendAgain(backup.again);
    // The folder the computer keeps backups in: the answer to the screen's question.
    const std::string folderLabel = view->folderLine;
    computer.waitForAnswer([&] { return view->folderLine != folderLabel; }, "the backup folder");
    if (!computer.waitFor([&] { return screen->scanFinished(); }, kScanLimit)) {
        out.say("the photo library is still being read; backing up what was found so far");
    }

    if (backup.all) {
        // A shake, as the phone's motion sensor reports it.
        MotionEvents::shared().motionBegan(MotionType::Shake);
        MotionEvents::shared().motionEnded(MotionType::Shake);
    } else if (!pickPhotos(computer, *screen, *view, backup.files, out)) {
        return kExitFailure;
    }

    bool stopAsked = false;
    while (!view->report && !computer.linkClosed()) {
        runMainUntil(
            [&] { return view->report || (interrupted() && !stopAsked) || computer.linkClosed(); },
            kBatchLimit, false);
        if (interrupted() && !stopAsked) {
            stopAsked = true;
            out.say("stopping after the current photo…");
            screen->ProgresstapDetected();
        }
    }
    // A lost link ends the batch too; its report follows at once.
    runMainUntil([&] { return view->report.has_value(); }, std::chrono::seconds(2), false);
    out.result("folder", "", {{"folder", view->folderLine}}, view->folderLine);
    if (!view->report) {
        out.error(computer.whyNoAnswer("the backup"));
        return kExitFailure;
    }
    const BackupReport& r = *view->report;
    out.result("summary", "",
               {{"total", r.total},
                {"done", r.done},
                {"confirmed", r.sent},
                {"failed", r.failed},
                {"known", r.known},
                {"stopped", r.stopped},
                {"nothingToSend", r.nothingToSend}},
               r.nothingToSend
                   ? std::string("nothing to back up")
                   : std::to_string(r.done - r.failed) + " of " + std::to_string(r.total) +
                         " photos sent, " + std::to_string(r.failed) + " failed" +
                         (r.known ? ", " + std::to_string(r.known) + " already on the computer"
                                  : std::string()) +
                         (r.stopped ? " (stopped)" : ""));
    if (r.failed > 0 || (r.stopped && !stopAsked)) {
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace pd::cli
