#include "controllers/ScreenHisTableController.h"

#include "controllers/CaptureFiles.h"
#include "controllers/FriendlyTime.h"
#include "platform/ImageProbe.h"

#include <system_error>

namespace pd {

namespace {

constexpr int kStatDeleteCapture = 108;

}  // namespace

ScreenHisTableController::ScreenHisTableController(std::weak_ptr<ScreenHistoryView> view,
                                                   BrowserServices services,
                                                   std::filesystem::path screenDir)
    : view_(std::move(view)),
      services_(std::move(services)),
      screenDir_(std::move(screenDir)),
      now_([] { return std::time(nullptr); }) {}

void ScreenHisTableController::viewDidLoad() {
    if (auto v = view()) {
        v->setTitle("screenshot history");
    }
    historyArr_ = listCaptureNames(screenDir_);
    photos_.clear();
    photos_.reserve(historyArr_.size());
    for (const std::string& name : historyArr_) {
        // Every name keeps an image, a placeholder if the file is no picture, so that a row
        // and its image never drift apart.
        const std::filesystem::path path = screenDir_ / name;
        photos_.push_back({path.string(), nullptr, !pictureFileSize(path).has_value()});
    }
    reload();
}

ScreenHistoryRow ScreenHisTableController::cellForRow(std::size_t row) const {
    const std::string& name = historyArr_.at(row);
    return {name, friendlyTime(name, now_()), (screenDir_ / name).string()};
}

std::vector<ScreenHistoryRow> ScreenHisTableController::rows() const {
    std::vector<ScreenHistoryRow> all;
    all.reserve(historyArr_.size());
    for (std::size_t i = 0; i < historyArr_.size(); ++i) {
        all.push_back(cellForRow(i));
    }
    return all;
}

void ScreenHisTableController::didSelectRow(std::size_t row) {
    if (row >= photos_.size()) {
        return;
    }
    if (auto v = view()) {
        v->openCaptureViewer(photos_, row);
    }
}

bool ScreenHisTableController::didTriggerRightUtilityButton(std::size_t row, int index) {
    if (index != 0 || row >= historyArr_.size()) {
        return false;
    }
    std::error_code ec;
    std::filesystem::remove(screenDir_ / historyArr_[row], ec);
    historyArr_.erase(historyArr_.begin() + static_cast<std::ptrdiff_t>(row));
    photos_.erase(photos_.begin() + static_cast<std::ptrdiff_t>(row));
    reload();
    services_.stat(kStatDeleteCapture);
    if (auto v = view()) {
        v->closeSwipeActions(row);
    }
    return true;
}

void ScreenHisTableController::reload() {
    if (auto v = view()) {
        v->reloadRows(rows());
        v->setEmptyVisible(historyArr_.empty());
    }
}

void ScreenHisTableController::DoBack() {
    if (auto v = view()) {
        v->closeScreen();
    }
}

}  // namespace pd
