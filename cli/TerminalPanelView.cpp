#include "TerminalPanelView.h"

#include "TerminalBrowserViews.h"

#include "app/MainLoop.h"

#include <algorithm>

namespace pd::cli {

void TerminalPanelView::showProgress(const std::string& key) {
    out_.event({{"event", "progress"}, {"key", key}}, app::displayText(key) + "...");
}

void TerminalPanelView::showTip(const std::string& key, std::chrono::milliseconds) {
    // The commands print the outcome themselves; the tip is kept to name it.
    tips.push_back(key);
    out_.event({{"event", "tip"}, {"key", key}}, "");
}

void TerminalPanelView::askConfirmation(const std::string& key,
                                        const std::vector<std::string>& buttons,
                                        std::function<void(int)> answer) {
    confirmOnTerminal(out_, answerYes_, key, buttons, std::move(answer));
}

std::shared_ptr<WifiMgrView> TerminalPanelView::presentHotspot(
    const std::shared_ptr<WifiMgrVC>& screen) {
    hotspotScreen = screen;
    hotspot = std::make_shared<TerminalHotspotView>();
    return hotspot;
}

std::shared_ptr<GameHandleSetView> TerminalPanelView::presentGamepadSettings(
    const std::shared_ptr<GameHandleSetVC>&) {
    padSettings = std::make_shared<TerminalPadSettingsView>();
    return padSettings;
}

std::shared_ptr<GameHandleView> TerminalPanelView::presentGamepad(
    const std::shared_ptr<GameHandleViewController>&) {
    pad = std::make_shared<TerminalPadView>();
    return pad;
}

bool TerminalPanelView::wasSent(const std::string& plugId) const {
    return std::ranges::any_of(sent, [&](const PlugMessage& m) { return m.plugId == plugId; });
}

bool TerminalPanelView::wasAccepted(int plugType) const {
    return std::ranges::find(accepted, plugType) != accepted.end();
}

}  // namespace pd::cli
