#include "BrowserSession.h"

#include "RunLoop.h"
#include "TextFormat.h"

#include "app/MainLoop.h"

#include <algorithm>
#include <cctype>

namespace pd::cli {

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

}  // namespace

BrowserSession::BrowserSession(const GlobalOptions& options, const Output& out)
    : options_(options), out_(out), computer_(options, out) {}

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

bool BrowserSession::samePath(const std::string& a, const std::string& b) {
    const auto x = splitPath(a);
    const auto y = splitPath(b);
    return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), sameName);
}

bool BrowserSession::waitFor(const std::function<bool()>& done, const std::string& what) {
    return computer_.waitForAnswer(done, what);
}

bool BrowserSession::waitForListing(ScreenRecord& record, int listingsBefore,
                                    const std::string& what) {
    if (!waitFor([&] { return record.listings > listingsBefore; }, "the listing of " + what)) {
        return false;
    }
    switch (record.lastListing.value_or(ListingOutcome::Failed)) {
        case ListingOutcome::Listed:
            return true;
        case ListingOutcome::Refused:
            out_.error("the computer refused to list " + what);
            return false;
        case ListingOutcome::Failed:
            break;
    }
    out_.error("the computer could not list " + what + " (no such folder, or refused)");
    return false;
}

bool BrowserSession::openDrives() {
    if (disk_ && diskView_) {
        return true;  // the tabs listed the drives when they opened
    }
    // Pairing opened the tabs, whose file manager lists the drives at once.
    auto tabs = computer_.app().mainTabs();
    TerminalDiskView* view = computer_.diskView();
    if (!tabs || !tabs->fileManager() || !view) {
        out_.error("not connected to a computer");
        return false;
    }
    if (!waitForListing(view->record, 0, "its drives")) {
        return false;
    }
    disk_ = tabs->fileManager();
    diskView_ = view;
    return true;
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
            const int before = diskView_->record.listings;
            disk_->selectMenu(i);
            return waitForListing(diskView_->record, before, "the class " + name);
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
    const auto start = rootRowOf(parts);
    if (!start) {
        out_.error("no drive or desktop named " + visibleText(parts[0]));
        return nullptr;
    }
    const auto [driveRow, taken] = *start;
    auto screen = disk_->selectRow(driveRow);
    TerminalFolderView* view = diskView_->folder.get();
    if (!screen || !view || !waitForListing(view->record, 0, disk_->diskListArr()[driveRow].name)) {
        return nullptr;
    }
    for (std::size_t p = taken; p < parts.size(); ++p) {
        const auto row = entryNamed(*screen, parts[p]);
        if (!row || screen->dirAndFileListArr()[*row].isDir == 0) {
            out_.error(row ? visibleText(screen->queryFullPath() + parts[p]) + " is a file"
                           : "no folder " + visibleText(parts[p]) + " in " +
                                 visibleText(screen->queryFullPath()));
            return nullptr;
        }
        const int before = view->record.listings;
        screen->selectRow(*row);
        if (!waitForListing(view->record, before, screen->queryFullPath() + parts[p])) {
            return nullptr;
        }
    }
    return screen;
}

std::optional<std::pair<std::size_t, std::size_t>> BrowserSession::rootRowOf(
    const std::vector<std::string>& parts) const {
    // A row's name may be a whole computer path (C:\Users\Public\Desktop): the longest row
    // that the path starts with wins, so the desktop is opened as the desktop.
    std::optional<std::pair<std::size_t, std::size_t>> best;
    const auto& rows = disk_->diskListArr();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto rowParts = splitPath(rows[i].name);
        if (rowParts.empty() || rowParts.size() > parts.size() ||
            (best && best->second >= rowParts.size())) {
            continue;
        }
        if (std::equal(rowParts.begin(), rowParts.end(), parts.begin(), sameName)) {
            best = std::pair{i, rowParts.size()};
        }
    }
    if (best) {
        return best;
    }
    // The desktop also answers to what the drive screen shows for it.
    const auto& shown = diskView_->rows;
    for (std::size_t i = 0; i < shown.size() && i < rows.size(); ++i) {
        if (shown[i].kind == BrowserRowKind::Desktop &&
            (sameName(parts[0], shown[i].label) || sameName(parts[0], "Desktop"))) {
            return std::pair{i, std::size_t{1}};
        }
    }
    return std::nullopt;
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
