#pragma once
// The remote control panel and the hotspot list on a terminal: they keep what the remote
// control commands wait for (how a power command or a capture ended, which plug messages went
// out and were accepted, the hotspot's rows) and ask the panel's questions. They decide
// nothing: every action goes to the controllers.

#include "Output.h"
#include "TerminalGamepadViews.h"

#include "controllers/IntelligentView.h"
#include "controllers/WifiMgrView.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pd::cli {

class TerminalHotspotView : public WifiMgrView {
  public:
    void reloadAll(const std::vector<WifiRow>& all) override {
        rows = all;
        ++refreshes;
    }
    void reloadRows(const std::vector<std::size_t>&, const std::vector<WifiRow>& all) override {
        reloadAll(all);
    }
    void newDeviceJoined(const std::string& model) override { newcomers.push_back(model); }

    std::vector<WifiRow> rows;
    int refreshes = 0;
    std::vector<std::string> newcomers;  // not yet printed
};

class TerminalPanelView : public IntelligentView {
  public:
    TerminalPanelView(const Output& out, bool answerYes) : out_(out), answerYes_(answerYes) {}

    void showProgress(const std::string& key) override;
    void showTip(const std::string& key, std::chrono::milliseconds) override;
    void askConfirmation(const std::string& key, const std::vector<std::string>& buttons,
                         std::function<void(int)> answer) override;
    std::shared_ptr<WifiMgrView> presentHotspot(const std::shared_ptr<WifiMgrVC>& screen) override;
    void powerCommandEnded(PowerCommand, RemoteOutcome outcome) override { power = outcome; }
    void captureEnded(CaptureOutcome outcome, const std::string& path) override {
        capture = std::make_pair(outcome, path);
    }
    void plugMessageSent(const PlugMessage& message) override { sent.push_back(message); }
    void plugAccepted(int plugType, std::int32_t) override { accepted.push_back(plugType); }
    std::shared_ptr<GameHandleSetView> presentGamepadSettings(
        const std::shared_ptr<GameHandleSetVC>& screen) override;
    std::shared_ptr<GameHandleView> presentGamepad(
        const std::shared_ptr<GameHandleViewController>& screen) override;
    void setMicLevel(int level) override {
        micLevel = level;
        ++micUpdates;
    }
    void setMicDelay(std::int64_t ms) override {
        micDelayMs = ms;
        ++micUpdates;
    }
    void microphoneStarted() override { micStarted = true; }
    void microphoneStopped(bool interrupted, const std::string& message) override {
        micStopped = std::make_pair(interrupted, message);
    }

    bool wasSent(const std::string& plugId) const;
    bool wasAccepted(int plugType) const;

    std::optional<RemoteOutcome> power;
    std::optional<std::pair<CaptureOutcome, std::string>> capture;
    std::vector<PlugMessage> sent;
    std::vector<int> accepted;
    std::vector<std::string> tips;  // localisation keys, in order
    // The hotspot list opened from the panel: its screen lives as long as it is shown.
    std::shared_ptr<WifiMgrVC> hotspotScreen;
    std::shared_ptr<TerminalHotspotView> hotspot;
    // The views of the gamepad screens last presented (the panel owns their controllers).
    std::shared_ptr<TerminalPadSettingsView> padSettings;
    std::shared_ptr<TerminalPadView> pad;
    // The microphone: its level image (0 to 7), the delay, and how the stream went.
    int micLevel = 0;
    std::int64_t micDelayMs = 0;
    std::uint64_t micUpdates = 0;
    bool micStarted = false;
    std::optional<std::pair<bool, std::string>> micStopped;  // interrupted, message

  private:
    const Output& out_;
    bool answerYes_;
};

}  // namespace pd::cli
