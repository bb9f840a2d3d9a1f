#include "CaptureHistoryAdapter.h"

#include "CaptureSources.h"

#include "controllers/ScreenHisTableController.h"

#include <QVariantMap>

namespace pd::gui {

CaptureHistoryAdapter::CaptureHistoryAdapter(Overlay& overlay,
                                             std::shared_ptr<ScreenHisTableController> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {}

void CaptureHistoryAdapter::tap(int row) {
    if (row >= 0) {
        controller_->didSelectRow(static_cast<std::size_t>(row));
    }
}

void CaptureHistoryAdapter::remove(int row) {
    if (row >= 0) {
        controller_->didTriggerRightUtilityButton(static_cast<std::size_t>(row), 0);
    }
}

void CaptureHistoryAdapter::closeViewer() {
    viewerImages_.clear();
    emit viewerChanged();
}

void CaptureHistoryAdapter::back() {
    controller_->DoBack();
}

void CaptureHistoryAdapter::setTitle(const std::string& key) {
    title_ = displayText(key);
    emit changed();
}

void CaptureHistoryAdapter::reloadRows(const std::vector<ScreenHistoryRow>& rows) {
    rows_.clear();
    for (const auto& r : rows) {
        rows_ << QVariantMap{{"name", QString::fromStdString(r.fileName)},
                             {"time", QString::fromStdString(r.timeLabel)},
                             {"path", QString::fromStdString(r.filePath)}};
    }
    emit changed();
}

void CaptureHistoryAdapter::setEmptyVisible(bool visible) {
    emptyVisible_ = visible;
    emit changed();
}

void CaptureHistoryAdapter::closeSwipeActions(std::size_t row) {
    emit swipeClosed(static_cast<int>(row));
}

void CaptureHistoryAdapter::openCaptureViewer(const std::vector<CaptureImage>& images,
                                              std::size_t start) {
    viewerImages_ = captureSources(images);
    viewerStart_ = static_cast<int>(start);
    emit viewerChanged();
}

void CaptureHistoryAdapter::closeScreen() {
    emit closed();
}

}  // namespace pd::gui
