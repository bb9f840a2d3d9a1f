#include "BackupAdapter.h"

#include "controllers/BackFileViewController.h"
#include "core/Settings.h"
#include "platform/MotionEvents.h"

#include <climits>

namespace pd::gui {

namespace {

int clampToInt(std::size_t n) {
    return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

}  // namespace

BackupAdapter::BackupAdapter(Overlay& overlay, std::shared_ptr<BackFileViewController> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {}

void BackupAdapter::selectTab(int index) {
    if (index == 0 || index == 1) {
        controller_->selectTab(static_cast<std::size_t>(index));
    }
}

void BackupAdapter::shake() {
    // Through the same path as the accelerometer's shakes.
    MotionEvents::shared().motionBegan(MotionType::Shake);
    MotionEvents::shared().motionEnded(MotionType::Shake);
}

void BackupAdapter::togglePhoto(int row) {
    const bool picked = !photos_.picked(row);
    if (photos_.setPicked(row, picked)) {
        controller_->photoBrowserSelectedChanged(static_cast<std::size_t>(row), picked);
    }
}

void BackupAdapter::closeBrowser() {
    if (!browserOpen_) {
        return;
    }
    browserOpen_ = false;
    emit browserChanged();
    controller_->photoBrowserDidFinishModalPresentation();
}

void BackupAdapter::tapRing() {
    controller_->ProgresstapDetected();
}

bool BackupAdapter::phoneFilesOn() const {
    return Settings::standard().phoneFilesOn();
}

void BackupAdapter::setPhoneFilesOn(bool on) {
    if (on != phoneFilesOn()) {
        Settings::standard().setPhoneFilesOn(on);
        emit phoneFilesChanged();
    }
}

void BackupAdapter::setTitle(const std::string& key) {
    title_ = displayText(key);
    emit changed();
}

void BackupAdapter::setSelectedTab(std::size_t index) {
    tab_ = index == 0 ? 0 : 1;
    emit changed();
}

void BackupAdapter::setStatus(const std::string& key) {
    status_ = key.empty() ? QString() : displayText(key);
    emit changed();
}

void BackupAdapter::setStatusPicture(const std::string& image) {
    statusPicture_ = QString::fromStdString(image);
    emit changed();
}

void BackupAdapter::setTimeLine(const std::string& text) {
    timeLine_ = QString::fromStdString(text);
    emit changed();
}

void BackupAdapter::setBackupFolderLine(const std::string& text) {
    folderLine_ = QString::fromStdString(text);
    emit changed();
}

void BackupAdapter::playWaveAnimation(int frames, double seconds, int repeats) {
    emit wave(frames, seconds, repeats);
}

void BackupAdapter::showProgressRing(std::size_t total) {
    ringVisible_ = true;
    ringDone_ = 0;
    ringTotal_ = clampToInt(total);
    failedLine_.clear();
    emit ringChanged();
    emit changed();
}

void BackupAdapter::setProgressRing(std::size_t done, std::size_t total) {
    ringDone_ = clampToInt(done);
    ringTotal_ = clampToInt(total);
    emit ringChanged();
}

void BackupAdapter::hideProgressRing() {
    ringVisible_ = false;
    emit ringChanged();
}

void BackupAdapter::openPhotoBrowser(const std::vector<PhotoEntry>& photos) {
    photos_.setPhotos(photos);
    browserOpen_ = true;
    emit browserChanged();
}

void BackupAdapter::backupEnded(const BackupReport& report) {
    lastReport_ = report;
    // "Backed up 3/3" counts failed items too: say which part did not arrive.
    failedLine_ =
        report.failed == 0
            ? QString()
            : QString("%1 %2").arg(report.failed).arg(displayText("photos not backed up"));
    emit changed();
    emit ended();
}

}  // namespace pd::gui
