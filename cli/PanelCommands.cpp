// power, volume, mute, music, slides: the remote control panel's controls, pressed as a user
// presses them, each ending when the computer answered.

#include "Commands.h"
#include "RemotePanel.h"
#include "RunLoop.h"
#include "TextFormat.h"

#include "app/MainLoop.h"
#include "app/PanelToggleMemory.h"

#include <array>

namespace pd::cli {

namespace {

using Panel = IntelligentViewController;

// The power command ends by itself: the panel gives up on an unanswered one. Only the user's
// answer to the confirmation may take long.
constexpr auto kConfirmLimit = std::chrono::hours(24);

struct PowerControl {
    const char* name;
    void (Panel::*press)();
    const char* what;  // for messages
};
constexpr std::array kPowerControls = {
    PowerControl{"shutdown", &Panel::BnShutDown, "shut down"},
    PowerControl{"reboot", &Panel::BnRestart, "reboot"},
    PowerControl{"standby", &Panel::BnHibernation, "stand by"},
    PowerControl{"lock", &Panel::BnLockScreen, "lock the screen"},
};

struct PadControl {
    const char* name;
    int tag;
    const char* done;  // what is printed once the computer accepted it
};
constexpr std::array kMusicControls = {
    PadControl{"prev", 0, "previous track"},
    PadControl{"next", 1, "next track"},
    PadControl{"up", 2, "volume up"},
    PadControl{"down", 3, "volume down"},
    PadControl{"play", 4, ""},
};
constexpr std::array kSlideControls = {
    PadControl{"prev", 0, "previous page"},
    PadControl{"next", 1, "next page"},
    PadControl{"black", 3, "black screen"},
    PadControl{"start", 4, ""},
};

template <typename Controls>
const auto* findControl(const Controls& controls, const std::string& name) {
    for (const auto& c : controls) {
        if (name == c.name)
            return &c;
    }
    return static_cast<const typename Controls::value_type*>(nullptr);
}

// Leaves the tab as the phone does when the panel goes: the volume is kept.
int leavePanel(const RemotePanel& panel, int status) {
    panel.screen->viewWillDisappear();
    return status;
}

}  // namespace

int runPower(const GlobalOptions& options, const std::string& action) {
    Output out(options.outputMode());
    const PowerControl* control = findControl(kPowerControls, action);
    if (!control) {
        out.error("power: give shutdown, reboot, standby or lock");
        return kExitUsage;
    }
    ComputerSession computer(options, out);
    RemotePanel panel;
    if (const int status = openRemotePanel(computer, out, panel); status != kExitOk) {
        return status;
    }
    ((*panel.screen).*(control->press))();
    if (!computer.waitFor([&] { return panel.view->power.has_value(); }, kConfirmLimit)) {
        out.error(computer.whyNoAnswer("the answer to " + std::string(control->what)));
        return leavePanel(panel, kExitFailure);
    }
    switch (*panel.view->power) {
        case RemoteOutcome::Succeeded: {
            const std::string text = panel.view->tips.empty()
                                         ? std::string("done")
                                         : app::displayText(panel.view->tips.back());
            out.result("power", "", {{"action", action}, {"message", text}}, text);
            return leavePanel(panel, kExitOk);
        }
        case RemoteOutcome::Cancelled:
            out.error("not confirmed: the computer was not asked to " + std::string(control->what));
            break;
        case RemoteOutcome::NoAnswer:
            out.error("the computer did not confirm that it will " + std::string(control->what) +
                      " (" + app::displayText("no answer from the computer") + ")");
            break;
        case RemoteOutcome::Failed:
            out.error("the computer refused to " + std::string(control->what));
            break;
    }
    return leavePanel(panel, kExitFailure);
}

int runVolume(const GlobalOptions& options, int level) {
    Output out(options.outputMode());
    ComputerSession computer(options, out);
    RemotePanel panel;
    if (const int status = openRemotePanel(computer, out, panel); status != kExitOk) {
        return status;
    }
    // The slider moves; the panel's volume sender sends the value at its next tick.
    panel.screen->SliderVolume(static_cast<float>(level));
    if (!waitForPlugAccepted(computer, *panel.view, "1")) {
        return leavePanel(panel, kExitFailure);
    }
    out.result("volume", "", {{"volume", level}}, "volume " + std::to_string(level));
    return leavePanel(panel, kExitOk);
}

int runMute(const GlobalOptions& options) {
    Output out(options.outputMode());
    ComputerSession computer(options, out);
    RemotePanel panel;
    if (const int status = openRemotePanel(computer, out, panel); status != kExitOk) {
        return status;
    }
    panel.screen->BnVolumeMute();
    if (!waitForPlugAccepted(computer, *panel.view, "1")) {
        return leavePanel(panel, kExitFailure);
    }
    out.result("mute", "", {{"mute", "toggled"}}, "the computer switched its sound on or off");
    return leavePanel(panel, kExitOk);
}

int runMusic(const GlobalOptions& options, const std::string& action) {
    Output out(options.outputMode());
    const PadControl* control = findControl(kMusicControls, action);
    if (!control) {
        out.error("music: give prev, next, up, down or play");
        return kExitUsage;
    }
    ComputerSession computer(options, out);
    RemotePanel panel;
    if (const int status = openRemotePanel(computer, out, panel); status != kExitOk) {
        return status;
    }
    selectPanelSection(*panel.screen, Panel::kSectionMusic);
    PanelToggleMemory memory = PanelToggleMemory::standard();
    PanelToggles toggles = memory.read(panel.deviceTag);
    panel.screen->setMusicShowsPause(toggles.musicShowsPause);
    panel.screen->SongBnClick(control->tag);
    std::string done = control->done;
    if (done.empty()) {
        toggles.musicShowsPause = panel.screen->musicShowsPause();
        memory.write(panel.deviceTag, toggles);
        done = toggles.musicShowsPause ? "playing" : "paused";
    }
    if (!waitForPlugAccepted(computer, *panel.view, "3")) {
        return leavePanel(panel, kExitFailure);
    }
    out.result("music", "", {{"action", action}, {"done", done}}, done);
    return leavePanel(panel, kExitOk);
}

int runSlides(const GlobalOptions& options, const std::string& action, const std::string& path) {
    Output out(options.outputMode());
    const bool open = action == "open";
    const PadControl* control = findControl(kSlideControls, action);
    if ((!open && !control) || (open == path.empty()) || (!open && !path.empty())) {
        out.error("slides: give open PATH, prev, next, black or start");
        return kExitUsage;
    }
    ComputerSession computer(options, out);
    RemotePanel panel;
    if (const int status = openRemotePanel(computer, out, panel); status != kExitOk) {
        return status;
    }
    selectPanelSection(*panel.screen, Panel::kSectionSlides);
    PanelToggleMemory memory = PanelToggleMemory::standard();
    PanelToggles toggles = memory.read(panel.deviceTag);
    panel.screen->setSlidesShowEnd(toggles.slidesShowEnd);
    std::string done;
    if (open) {
        // What the presentation picker hands back: the path on the computer.
        panel.screen->PPTPlugControl("1", path);
        done = "opened " + visibleText(path);
    } else {
        panel.screen->PPTBnClick(control->tag);
        done = control->done;
        if (done.empty()) {
            toggles.slidesShowEnd = panel.screen->slidesShowEnd();
            memory.write(panel.deviceTag, toggles);
            done = toggles.slidesShowEnd ? "show started" : "show ended";
        }
    }
    if (!waitForPlugAccepted(computer, *panel.view, "4")) {
        return leavePanel(panel, kExitFailure);
    }
    out.result("slides", "", {{"action", action}, {"done", done}}, done);
    return leavePanel(panel, kExitOk);
}

}  // namespace pd::cli
