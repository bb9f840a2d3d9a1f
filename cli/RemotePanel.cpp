#include "RemotePanel.h"

#include "app/MainTabBarViewController.h"

namespace pd::cli {

int openRemotePanel(ComputerSession& computer, const Output& out, RemotePanel& panel,
                    MicrophoneOpener microphone) {
    if (const int status = computer.openTabs(); status != kExitOk) {
        return status;
    }
    auto tabs = computer.app().mainTabs();
    TerminalTabsView* tabsView = computer.tabsView();
    if (microphone) {
        tabs->setMicrophone(std::move(microphone));  // the panel takes it when it is made
    }
    tabs->tabBarDidSelectItem(MainTabBarViewController::kRemoteControlTag);
    panel.screen = tabs->remoteControl();
    panel.view = tabsView->panel;
    if (!panel.screen || !panel.view) {
        out.error("the remote control panel did not open");
        return kExitFailure;
    }
    panel.deviceTag = computer.pairedComputer()->DeviceNameTag;
    return kExitOk;
}

void selectPanelSection(IntelligentViewController& screen, std::int32_t section) {
    const auto& items = screen.menu().datas();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].value == section) {
            screen.selectSection(i);
            return;
        }
    }
}

bool waitForPlugAccepted(ComputerSession& computer, const TerminalPanelView& view,
                         const std::string& plugId) {
    const int type = std::stoi(plugId);
    return computer.waitForAnswer([&] { return view.wasSent(plugId) && view.wasAccepted(type); },
                                  "the computer to accept the message");
}

}  // namespace pd::cli
