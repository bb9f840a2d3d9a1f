#include "BrowserSession.h"

#include "RunLoop.h"
#include "TextFormat.h"

#include "controllers/BrowserServices.h"
#include "platform/Localization.h"

#include <algorithm>
#include <cctype>

namespace pd::cli {

namespace {

constexpr auto kAnswerLimit = std::chrono::seconds(30);

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

}  // namespace

BrowserSession::BrowserSession(const GlobalOptions& options, const Output& out)
    : options_(options), out_(out), computer_(options, out) {
    diskView_ = std::make_shared<TerminalDiskView>(out, options.yes);
    disk_ = std::make_shared<DiskViewController>(diskView_, BrowserServices::standard());
}

int BrowserSession::connect() {
    return computer_.pair();
}

std::optional<std::int32_t> BrowserSession::classValue(const std::string& name) {
    if (name == "file" || name == "files")
        return 1;
    if (name == "pic" || name == "pictures")
        return 16;
    if (name == "video" || name == "videos")
        return 256;
    if (name == "music")
        return 4096;
    return std::nullopt;
}

std::vector<std::string> BrowserSession::splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '/' || c == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

bool BrowserSession::waitFor(ScreenRecord& record, int reloadsBefore, std::size_t tipsBefore) {
    const bool answered = runMainUntil(
        [&] { return record.reloads > reloadsBefore || record.tips.size() > tipsBefore; },
        kAnswerLimit);
    if (record.tips.size() > tipsBefore) {
        out_.error(record.tips.back());
        return false;
    }
    if (!answered) {
        out_.error(interrupted() ? "interrupted" : "the computer did not answer");
    }
    return answered;
}

bool BrowserSession::openDrives() {
    const int before = diskView_->record.reloads;
    const std::size_t tips = diskView_->record.tips.size();
    disk_->viewDidLoad();
    return waitFor(diskView_->record, before, tips);
}

bool BrowserSession::openClass(const std::string& name) {
    const auto value = classValue(name);
    if (!value) {
        out_.error("unknown class '" + name + "': use pic, video, music or file");
        return false;
    }
    if (!openDrives()) {
        return false;
    }
    const auto& menu = DiskViewController::classMenu();
    for (std::size_t i = 0; i < menu.size(); ++i) {
        if (menu[i].value == *value) {
            const int before = diskView_->record.reloads;
            const std::size_t tips = diskView_->record.tips.size();
            disk_->selectMenu(i);
            // An empty class shows its picture instead of rows; the listing still reloads.
            return waitFor(diskView_->record, before, tips);
        }
    }
    return false;
}

std::shared_ptr<FileViewController> BrowserSession::openFolder(const std::string& folder) {
    const auto parts = splitPath(folder);
    if (parts.empty()) {
        out_.error("give a folder such as C:/Users");
        return nullptr;
    }
    std::optional<std::size_t> driveRow;
    const auto& drives = disk_->diskListArr();
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (sameName(drives[i].name, parts[0])) {
            driveRow = i;
            break;
        }
    }
    if (!driveRow) {
        out_.error("no drive or desktop named " + visibleText(parts[0]));
        return nullptr;
    }
    auto screen = disk_->selectRow(*driveRow);
    TerminalFolderView* view = diskView_->folder.get();
    if (!screen || !view || !waitFor(view->record, 0, 0)) {
        return nullptr;
    }
    for (std::size_t p = 1; p < parts.size(); ++p) {
        const auto row = entryNamed(*screen, parts[p]);
        if (!row || screen->dirAndFileListArr()[*row].isDir == 0) {
            out_.error(row ? visibleText(screen->queryFullPath() + parts[p]) + " is a file"
                           : "no folder " + visibleText(parts[p]) + " in " +
                                 visibleText(screen->queryFullPath()));
            return nullptr;
        }
        const int before = view->record.reloads;
        const std::size_t tips = view->record.tips.size();
        screen->selectRow(*row);
        if (!waitFor(view->record, before, tips)) {
            return nullptr;
        }
    }
    return screen;
}

std::optional<std::size_t> BrowserSession::entryNamed(const FileViewController& screen,
                                                      const std::string& name) const {
    const auto& rows = screen.dirAndFileListArr();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].name == name)
            return i;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (sameName(rows[i].name, name))
            return i;
    }
    return std::nullopt;
}

}  // namespace pd::cli
