#include "DiskAdapter.h"

#include "controllers/DiskViewController.h"

#include <algorithm>

namespace pd::gui {

DiskAdapter::DiskAdapter(Overlay& overlay, std::weak_ptr<DiskViewController> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {}

void DiskAdapter::selectMenu(int index) {
    auto c = controller_.lock();
    if (c && index >= 0) {
        c->selectMenu(static_cast<std::size_t>(index));
    }
}

void DiskAdapter::tap(int row) {
    auto c = controller_.lock();
    if (c && row >= 0) {
        c->selectRow(static_cast<std::size_t>(row));
    }
}

void DiskAdapter::removeFromClass(int row) {
    auto c = controller_.lock();
    if (c && row >= 0) {
        c->deleteFromClass(static_cast<std::size_t>(row));
    }
}

void DiskAdapter::addOtherFolder() {
    if (auto c = controller_.lock()) {
        c->AddOtherFolderAction();
    }
}

void DiskAdapter::openMore() {
    if (auto c = controller_.lock()) {
        c->NvFuncMore();
    }
}

void DiskAdapter::presentMore() {
    emit moreRequested();
}

void DiskAdapter::back() {
    if (auto c = controller_.lock()) {
        c->DoBack();
    }
}

void DiskAdapter::setTitle(const std::string& text) {
    title_ = QString::fromStdString(text);
    emit changed();
}

void DiskAdapter::setMenu(const std::vector<ClassMenuEntry>& entries) {
    menu_.clear();
    for (const auto& e : entries) {
        menu_ << displayText(e.labelKey);
    }
    emit changed();
}

void DiskAdapter::setSelectedMenu(std::size_t index) {
    selectedMenu_ = static_cast<int>(index);
    emit changed();
}

void DiskAdapter::reloadRows(const std::vector<BrowserRow>& rows) {
    auto shared = std::make_shared<const std::vector<BrowserRow>>(rows);
    rows_.setRows(BrowserRows(shared->size(), [shared](std::size_t i) { return (*shared)[i]; }));
}

void DiskAdapter::setListVisible(bool visible) {
    listVisible_ = visible;
    emit changed();
}

void DiskAdapter::setEmptyPicture(const std::string& image) {
    emptyPicture_ = QString::fromStdString(image);
    emit changed();
}

void DiskAdapter::setAddFolderButtonVisible(bool visible) {
    addFolderVisible_ = visible;
    emit changed();
}

std::shared_ptr<FileBrowserView> DiskAdapter::presentFolderScreen(
    const std::shared_ptr<FileViewController>& screen) {
    auto folder = makeAdapter(new FolderAdapter(overlay_, screen));
    FolderAdapter* raw = folder.get();
    connect(raw, &FolderAdapter::closed, this, [this, raw] {
        folders_.erase(std::remove_if(folders_.begin(), folders_.end(),
                                      [raw](const auto& f) { return f.get() == raw; }),
                       folders_.end());
        // Back in front: answers go to this screen again.
        if (auto c = controller_.lock(); c && folders_.empty()) {
            c->viewWillAppear();
        } else if (!folders_.empty()) {
            folders_.back()->appeared();
        }
    });
    folders_.push_back(folder);
    emit folderOpened(raw);
    return folder;
}

void DiskAdapter::closeScreen() {
    emit closed();
}

void DiskAdapter::listingEnded(ListingOutcome outcome) {
    emit listed(static_cast<int>(outcome));
}

}  // namespace pd::gui
