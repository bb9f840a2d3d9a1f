#include "RemoteControlAdapter.h"

#include "CaptureSources.h"

#include "controllers/IntelligentViewController.h"

#include <QVariantMap>

namespace pd::gui {

namespace {

using namespace std::chrono_literals;

QString positionName(PadPosition position) {
    switch (position) {
        case PadPosition::Left:
            return "left";
        case PadPosition::Right:
            return "right";
        case PadPosition::Up:
            return "up";
        case PadPosition::Down:
            return "down";
        case PadPosition::Centre:
            break;
    }
    return "centre";
}

QString labelOf(const std::string& key) {
    return key.empty() ? QString() : displayText(key);
}

}  // namespace

RemoteControlAdapter::RemoteControlAdapter(Overlay& overlay,
                                           std::weak_ptr<IntelligentViewController> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {}

template <class F>
void RemoteControlAdapter::withController(F&& call) {
    if (auto c = controller_.lock()) {
        call(*c);
    }
}

void RemoteControlAdapter::selectMenu(int index) {
    if (index >= 0) {
        withController([&](auto& c) { c.selectSection(static_cast<std::size_t>(index)); });
    }
}

void RemoteControlAdapter::swipe(bool left) {
    withController([&](auto& c) { c.handleSwipeFrom(left); });
}

void RemoteControlAdapter::shutdown() {
    withController([](auto& c) { c.BnShutDown(); });
}

void RemoteControlAdapter::lockScreen() {
    withController([](auto& c) { c.BnLockScreen(); });
}

void RemoteControlAdapter::standby() {
    withController([](auto& c) { c.BnHibernation(); });
}

void RemoteControlAdapter::reboot() {
    withController([](auto& c) { c.BnRestart(); });
}

void RemoteControlAdapter::capture() {
    withController([](auto& c) { c.BnCaptureScreen(); });
}

void RemoteControlAdapter::mute() {
    withController([](auto& c) { c.BnVolumeMute(); });
}

void RemoteControlAdapter::fullVolume() {
    withController([](auto& c) { c.BnVolumeMax(); });
}

void RemoteControlAdapter::slideVolume(double value) {
    volume_ = value;
    withController([&](auto& c) { c.SliderVolume(static_cast<float>(value)); });
}

void RemoteControlAdapter::pressPad(int tag) {
    withController([&](IntelligentViewController& c) {
        switch (section_.value) {
            case IntelligentViewController::kSectionMusic:
                c.SongBnClick(tag);
                break;
            case IntelligentViewController::kSectionSlides:
                c.PPTBnClick(tag);
                break;
            case IntelligentViewController::kSectionGamepad:
                c.GameBnClick(tag);
                break;
            default:
                break;
        }
    });
}

void RemoteControlAdapter::pressMic() {
    withController([](auto& c) { c.MicBnClick(); });
}

void RemoteControlAdapter::openHotspot() {
    withController([](auto& c) { c.OpenHotspotList(); });
}

void RemoteControlAdapter::openMore() {
    withController([](auto& c) { c.NvFuncMore(); });
}

void RemoteControlAdapter::presentMore() {
    emit moreRequested();
}

void RemoteControlAdapter::captureAgain() {
    withController([](auto& c) { c.ReCapture(); });
}

void RemoteControlAdapter::viewAllCaptures() {
    withController([](auto& c) { c.photoBrowserViewAllCaptureHistory(); });
}

void RemoteControlAdapter::closeViewer() {
    closeCaptureViewer();
}

QVariantList RemoteControlAdapter::pad() const {
    QVariantList list;
    for (const PadControl& control : section_.pad) {
        list << QVariantMap{{"position", positionName(control.position)},
                            {"tag", control.tag},
                            {"label", labelOf(control.labelKey)},
                            {"enabled", control.enabled}};
    }
    return list;
}

QString RemoteControlAdapter::hint() const {
    return labelOf(section_.hintKey);
}

void RemoteControlAdapter::setTitle(const std::string& key) {
    title_ = displayText(key);
    emit changed();
}

void RemoteControlAdapter::setMenu(const std::vector<MenuEntry>& entries) {
    menu_.clear();
    for (const auto& e : entries) {
        menu_ << displayText(e.labelKey);
    }
    emit changed();
}

void RemoteControlAdapter::setSelectedMenu(std::size_t index) {
    selectedMenu_ = static_cast<int>(index);
    emit changed();
}

void RemoteControlAdapter::showSection(const PanelSection& section) {
    section_ = section;
    centreLabel_.clear();
    for (const PadControl& control : section.pad) {
        if (control.position == PadPosition::Centre) {
            centreLabel_ = labelOf(control.labelKey);
        }
    }
    emit sectionChanged();
}

void RemoteControlAdapter::setToggle(const std::string& key) {
    centreLabel_ = labelOf(key);
    emit sectionChanged();
}

void RemoteControlAdapter::setVolume(float value) {
    volume_ = value;
    emit volumeChanged();
}

void RemoteControlAdapter::setMuteSelected(bool selected) {
    muteSelected_ = selected;
    emit volumeChanged();
}

void RemoteControlAdapter::setMicLevel(int level) {
    micLevel_ = level;
    emit micLevelChanged();
}

void RemoteControlAdapter::setMicDelay(std::int64_t ms) {
    micDelay_ = ms;
    emit micLevelChanged();
}

void RemoteControlAdapter::microphoneStarted() {
    micRunning_ = true;
    emit micRunningChanged();
}

void RemoteControlAdapter::microphoneStopped(bool /*interrupted*/, const std::string& message) {
    micRunning_ = false;
    micDelay_ = 0;
    emit micLevelChanged();
    emit micRunningChanged();
    // The end of a sound file stops it without a message; a missing or failing device says why.
    if (!message.empty()) {
        overlay_.showTipText(
            displayText("microphone stopped") + ": " + QString::fromStdString(message), 4s);
    }
}

std::shared_ptr<DiskView> RemoteControlAdapter::presentPresentationPicker(
    const std::shared_ptr<DiskViewController>& picker) {
    picker_ = makeAdapter(new DiskAdapter(overlay_, picker));
    // Backing out of the picker's first screen returns to the panel without a choice.
    connect(picker_.get(), &DiskAdapter::closed, this, [this] { closePresentationPicker(); });
    emit pickerOpened(picker_.get());
    return picker_;
}

void RemoteControlAdapter::closePresentationPicker() {
    if (!picker_) {
        return;
    }
    // The drive screen still shows while the stack slides back to the panel: its adapter stays
    // until the next picker replaces it.
    closedPicker_ = std::move(picker_);
    panelInFront();
}

std::shared_ptr<GameHandleSetView> RemoteControlAdapter::presentGamepadSettings(
    const std::shared_ptr<GameHandleSetVC>& settings) {
    gamepadSettings_ = makeAdapter(new GamepadSettingsAdapter(overlay_, settings));
    connect(gamepadSettings_.get(), &GamepadSettingsAdapter::closed, this, [this] {
        gamepadSettings_.reset();
        panelInFront();
    });
    emit gamepadSettingsOpened(gamepadSettings_.get());
    return gamepadSettings_;
}

std::shared_ptr<GameHandleView> RemoteControlAdapter::presentGamepad(
    const std::shared_ptr<GameHandleViewController>& pad) {
    gamepad_ = makeAdapter(new GamepadAdapter(overlay_, pad));
    GamepadAdapter* shown = gamepad_.get();
    connect(shown, &GamepadAdapter::closed, this, [this, shown] {
        // A pad replaced by a newer one closes without taking the newer one's page along.
        if (gamepad_.get() == shown) {
            gamepad_.reset();
            panelInFront();
        }
    });
    emit gamepadOpened(shown);
    return gamepad_;
}

void RemoteControlAdapter::openCaptureViewer(const std::vector<CaptureImage>& images,
                                             std::size_t start) {
    viewerImages_ = captureSources(images);
    viewerStart_ = static_cast<int>(start);
    emit viewerChanged();
}

void RemoteControlAdapter::closeCaptureViewer() {
    if (viewerImages_.isEmpty()) {
        return;
    }
    viewerImages_.clear();
    emit viewerChanged();
}

std::shared_ptr<ScreenHistoryView> RemoteControlAdapter::presentCaptureHistory(
    const std::shared_ptr<ScreenHisTableController>& history) {
    history_ = makeAdapter(new CaptureHistoryAdapter(overlay_, history));
    connect(history_.get(), &CaptureHistoryAdapter::closed, this, [this] {
        history_.reset();
        panelInFront();
    });
    emit historyOpened(history_.get());
    return history_;
}

std::shared_ptr<WifiMgrView> RemoteControlAdapter::presentHotspot(
    const std::shared_ptr<WifiMgrVC>& hotspot) {
    hotspot_ = makeAdapter(new HotspotAdapter(overlay_, hotspot));
    connect(hotspot_.get(), &HotspotAdapter::closed, this, [this] {
        hotspot_.reset();
        panelInFront();
    });
    emit hotspotOpened(hotspot_.get());
    return hotspot_;
}

void RemoteControlAdapter::captureEnded(CaptureOutcome /*outcome*/, const std::string& path) {
    lastCapture_ = path;
}

void RemoteControlAdapter::panelInFront() {
    withController([](auto& c) { c.viewWillAppear(); });
    emit backToPanel();
}

}  // namespace pd::gui
