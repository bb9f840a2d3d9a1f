#include "HotspotAdapter.h"

#include "controllers/WifiMgrVC.h"

namespace pd::gui {

HotspotAdapter::HotspotAdapter(Overlay& overlay, std::shared_ptr<WifiMgrVC> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {
    bannerTimer_.setSingleShot(true);
    bannerTimer_.setInterval(4000);
    connect(&bannerTimer_, &QTimer::timeout, this, [this] {
        banner_.clear();
        emit bannerChanged();
    });
}

void HotspotAdapter::swipeChanged(int row, bool open) {
    if (row >= 0) {
        controller_->swipeStateChanged(static_cast<std::size_t>(row), open);
    }
}

void HotspotAdapter::trigger(int row, int action) {
    if (row >= 0) {
        controller_->didTriggerRightUtilityButton(static_cast<std::size_t>(row), action);
    }
}

void HotspotAdapter::back() {
    controller_->DoBack();
}

void HotspotAdapter::setTitle(const std::string& key) {
    title_ = displayText(key);
    emit changed();
}

void HotspotAdapter::reloadAll(const std::vector<WifiRow>& rows) {
    rows_.setRows(rows);
}

void HotspotAdapter::reloadRows(const std::vector<std::size_t>& indexes,
                                const std::vector<WifiRow>& rows) {
    rows_.updateRows(indexes, rows);
}

void HotspotAdapter::closeSwipeActions(std::size_t row) {
    emit swipeClosed(static_cast<int>(row));
}

void HotspotAdapter::newDeviceJoined(const std::string& model) {
    banner_ = displayText("new device on the hotspot") + ": " + QString::fromStdString(model);
    emit bannerChanged();
    bannerTimer_.start();
}

void HotspotAdapter::closeScreen() {
    emit closed();
}

}  // namespace pd::gui
