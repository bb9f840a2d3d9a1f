#include "FolderAdapter.h"

#include "controllers/FileViewController.h"

namespace pd::gui {

FolderAdapter::FolderAdapter(Overlay& overlay, std::shared_ptr<FileViewController> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {}

void FolderAdapter::tap(int row) {
    if (row >= 0) {
        controller_->selectRow(static_cast<std::size_t>(row));
    }
}

void FolderAdapter::download(int row) {
    if (row >= 0) {
        controller_->downloadRow(static_cast<std::size_t>(row));
    }
}

void FolderAdapter::more(int row) {
    if (row >= 0) {
        controller_->moreRow(static_cast<std::size_t>(row));
    }
}

void FolderAdapter::toggle(int row) {
    if (row >= 0) {
        controller_->favBnClick(static_cast<std::size_t>(row));
    }
}

void FolderAdapter::back() {
    controller_->DoBack();
}

void FolderAdapter::closePhotos() {
    photos_.clear();
    emit photosChanged();
}

void FolderAdapter::appeared() {
    controller_->viewWillAppear();
}

void FolderAdapter::setTitle(const std::string& text) {
    title_ = QString::fromStdString(text);
    emit changed();
}

void FolderAdapter::setPathLine(const std::string& text) {
    pathLine_ = QString::fromStdString(text);
    emit changed();
}

void FolderAdapter::reloadRows(const BrowserRows& rows) {
    rows_.setRows(rows);
}

void FolderAdapter::setListVisible(bool visible) {
    listVisible_ = visible;
    emit changed();
}

void FolderAdapter::setEmptyPicture(const std::string& image) {
    emptyPicture_ = QString::fromStdString(image);
    emit changed();
}

void FolderAdapter::setRowToggle(std::size_t row, bool on) {
    rows_.setToggle(row, on);
}

void FolderAdapter::showPhotoViewer(const std::vector<PhotoItem>& photos, std::size_t startIndex) {
    photos_.clear();
    for (const auto& p : photos) {
        photos_ << QString::fromStdString(p.url);
    }
    photoIndex_ = static_cast<int>(startIndex);
    emit photosChanged();
}

std::shared_ptr<QuickLookView> FolderAdapter::presentPreview(
    const std::shared_ptr<QuickLookViewController>& preview) {
    preview_ = makeAdapter(new PreviewAdapter(overlay_, preview));
    connect(preview_.get(), &PreviewAdapter::closed, this, [this] {
        preview_.reset();
        controller_->viewWillAppear();
    });
    emit previewOpened(preview_.get());
    return preview_;
}

void FolderAdapter::closeScreen() {
    emit closed();
}

void FolderAdapter::listingEnded(ListingOutcome outcome) {
    lastListing_ = outcome;
    emit listed(static_cast<int>(outcome));
}

void FolderAdapter::classChangeEnded(ClassChangeOutcome) {}

void FolderAdapter::downloadRequestEnded(const std::string& computerPath,
                                         DownloadRequestOutcome outcome) {
    emit downloadRequested(QString::fromStdString(computerPath), static_cast<int>(outcome));
}

}  // namespace pd::gui
