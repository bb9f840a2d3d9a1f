#pragma once
// The view of the remote control panel: the section menu, the eight computer controls, the
// five-position pad of the music, slide and gamepad sections, the microphone control, and the
// screens the panel opens (presentation picker, capture viewer and history, hotspot list).

#include "controllers/CaptureViewer.h"
#include "controllers/PlugMessage.h"
#include "controllers/ScreenView.h"
#include "controllers/TopMenuPicker.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class DiskView;
class DiskViewController;
class GameHandleSetVC;
class GameHandleSetView;
class GameHandleView;
class GameHandleViewController;
class ScreenHisTableController;
class ScreenHistoryView;
class WifiMgrVC;
class WifiMgrView;

enum class PadPosition { Left, Right, Up, Down, Centre };

struct PadControl {
    PadPosition position;
    int tag;
    std::string labelKey;
    bool enabled = true;

    bool operator==(const PadControl&) const = default;
};

// What one section shows.
struct PanelSection {
    std::int32_t value = 0;         // 10 computer, 20 music, 30 slides, 40 gamepad, 50 microphone
    bool computerControls = false;  // shutdown, capture, reboot, lock, standby, mute, full, slider
    std::vector<PadControl> pad;    // music, slides, gamepad: the five pad controls
    std::string hintKey;            // a line under the pad (music only)
    bool microphone = false;        // the microphone control and its level image

    bool operator==(const PanelSection&) const = default;
};

// What the microphone stream has done so far.
struct MicrophoneReport {
    std::uint64_t bytesSent = 0;       // audio bytes written to the computer
    std::uint64_t buffersLost = 0;     // a connect or write failed
    std::uint64_t buffersDropped = 0;  // pushed out by a backlog above two seconds
    std::int64_t delayMs = 0;          // audio recorded but not yet written

    bool operator==(const MicrophoneReport&) const = default;
};

enum class PowerCommand { Shutdown, LockScreen, Standby, Reboot };

enum class RemoteOutcome {
    Succeeded,
    Cancelled,  // the user said "cancel"
    Failed,     // the computer answered with a failure
    NoAnswer,   // nothing came back in time
};

enum class CaptureOutcome {
    Saved,        // stored in the capture folder and shown
    NotSaved,     // shown, but the file could not be written
    NotAPicture,  // the computer's bytes are not a picture (or one too large): nothing kept
    Failed,       // the computer reported a failure
};

class IntelligentView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*key*/) {}
    virtual void setMenu(const std::vector<MenuEntry>& /*entries*/) {}
    virtual void setSelectedMenu(std::size_t /*index*/) {}
    virtual void showSection(const PanelSection& /*section*/) {}
    // The label key the pad's centre toggle shows: "play"/"pause" or "start"/"end".
    virtual void setToggle(const std::string& /*key*/) {}
    // The volume slider (0 to 100) and the mute control's selected state.
    virtual void setVolume(float /*value*/) {}
    virtual void setMuteSelected(bool /*selected*/) {}
    // The microphone's level image, 0 (silent) to 7, and how far the sound reaching the
    // computer lags behind (audio recorded and not yet written, in milliseconds).
    virtual void setMicLevel(int /*level*/) {}
    virtual void setMicDelay(std::int64_t /*ms*/) {}
    // The microphone stream started; or it stopped: by the user (not interrupted), or at the
    // end of its input or on an input failure (interrupted, with the failure's text if any).
    virtual void microphoneStarted() {}
    virtual void microphoneStopped(bool /*interrupted*/, const std::string& /*message*/) {}

    // Screens the panel opens. The presenting calls return the view the new screen drives
    // (may be null).
    virtual std::shared_ptr<DiskView> presentPresentationPicker(
        const std::shared_ptr<DiskViewController>& /*picker*/) {
        return nullptr;
    }
    virtual void closePresentationPicker() {}
    // A gamepad configuration's settings (its setType is 1 or 2).
    virtual std::shared_ptr<GameHandleSetView> presentGamepadSettings(
        const std::shared_ptr<GameHandleSetVC>& /*settings*/) {
        return nullptr;
    }
    // The pad, once the computer named its gamepad port.
    virtual std::shared_ptr<GameHandleView> presentGamepad(
        const std::shared_ptr<GameHandleViewController>& /*pad*/) {
        return nullptr;
    }
    virtual void openCaptureViewer(const std::vector<CaptureImage>& /*images*/,
                                   std::size_t /*start*/) {}
    virtual void closeCaptureViewer() {}
    virtual std::shared_ptr<ScreenHistoryView> presentCaptureHistory(
        const std::shared_ptr<ScreenHisTableController>& /*history*/) {
        return nullptr;
    }
    virtual std::shared_ptr<WifiMgrView> presentHotspot(
        const std::shared_ptr<WifiMgrVC>& /*hotspot*/) {
        return nullptr;
    }
    virtual void presentMore() {}
    virtual void closeScreen() {}

    // How actions ended, for front-ends that need to know (a command's exit status, a test).
    virtual void powerCommandEnded(PowerCommand /*command*/, RemoteOutcome /*outcome*/) {}
    virtual void captureEnded(CaptureOutcome /*outcome*/, const std::string& /*path*/) {}
    // A plug message was handed to the link, and the computer accepted one (type = plug id).
    virtual void plugMessageSent(const PlugMessage& /*message*/) {}
    virtual void plugAccepted(int /*plugType*/, std::int32_t /*handlePort*/) {}
};

}  // namespace pd
