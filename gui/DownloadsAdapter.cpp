#include "DownloadsAdapter.h"

#include "controllers/FileDownViewController.h"

namespace pd::gui {

DownloadsAdapter::DownloadsAdapter(Overlay& overlay) : OverlayScreen(overlay) {}

void DownloadsAdapter::setController(std::shared_ptr<FileDownViewController> controller) {
    controller_ = std::move(controller);
}

void DownloadsAdapter::selectTab(int index) {
    if (controller_ && index >= 0) {
        controller_->selectTab(static_cast<std::size_t>(index));
    }
}

void DownloadsAdapter::pauseOrResume(int row) {
    if (controller_ && row >= 0) {
        controller_->downControlAction(static_cast<std::size_t>(row));
    }
}

void DownloadsAdapter::toggleSection(int section) {
    if (controller_ && section >= 0) {
        controller_->expandButtonClicked(static_cast<std::size_t>(section));
    }
}

void DownloadsAdapter::remove(int section, int row) {
    if (controller_ && section >= 0 && row >= 0) {
        controller_->deleteFinishedRow(static_cast<std::size_t>(section),
                                       static_cast<std::size_t>(row));
    }
}

void DownloadsAdapter::open(int section, int row) {
    if (controller_ && section >= 0 && row >= 0) {
        controller_->selectFinishedRow(static_cast<std::size_t>(section),
                                       static_cast<std::size_t>(row));
    }
}

void DownloadsAdapter::back() {
    if (controller_) {
        controller_->DoBack();
    }
}

void DownloadsAdapter::setTitle(const std::string& text) {
    title_ = QString::fromStdString(text);
    emit changed();
}

void DownloadsAdapter::setTabs(const std::vector<std::string>& keys) {
    tabs_.clear();
    for (const auto& k : keys) {
        tabs_ << displayText(k);
    }
    emit changed();
}

void DownloadsAdapter::setSelectedTab(std::size_t index) {
    selectedTab_ = static_cast<int>(index);
    emit changed();
}

void DownloadsAdapter::reloadRunningRows(const std::vector<DownloadRow>& rows) {
    running_.reload(rows);
}

void DownloadsAdapter::reloadFinishedSections(const std::vector<FinishedSection>& sections) {
    finished_.reload(sections);
}

void DownloadsAdapter::setTableVisible(bool visible) {
    tableVisible_ = visible;
    emit changed();
}

void DownloadsAdapter::setEmptyPicture(const std::string& image) {
    emptyPicture_ = QString::fromStdString(image);
    emit changed();
}

void DownloadsAdapter::setRowProgress(std::size_t row, float progress, bool) {
    running_.setProgress(row, progress);
}

void DownloadsAdapter::setRowProgressText(std::size_t row, const std::string& text) {
    running_.setProgressText(row, text);
}

void DownloadsAdapter::setRowStatus(std::size_t row, int bnStatus) {
    running_.setStatus(row, bnStatus);
}

std::shared_ptr<QuickLookView> DownloadsAdapter::presentPreview(
    const std::shared_ptr<QuickLookViewController>& preview) {
    preview_ = makeAdapter(new PreviewAdapter(overlay_, preview));
    connect(preview_.get(), &PreviewAdapter::closed, this, [this] { preview_.reset(); });
    emit previewOpened(preview_.get());
    return preview_;
}

void DownloadsAdapter::closeScreen() {
    emit closed();
}

void DownloadsAdapter::downloadEnded(const DownloadEnd& end) {
    emit ended(QString::fromStdString(end.remotePath), end.finished);
}

}  // namespace pd::gui
