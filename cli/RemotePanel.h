#pragma once
// The remote control tab as the remote control commands reach it: pair, let the file manager's
// first listing in, tap the tab, and (for the pad's controls) tap a section.

#include "ComputerSession.h"
#include "Output.h"
#include "TerminalPanelView.h"

#include "app/MicrophoneInputs.h"
#include "controllers/IntelligentViewController.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pd::cli {

struct RemotePanel {
    std::shared_ptr<IntelligentViewController> screen;
    std::shared_ptr<TerminalPanelView> view;
    std::string deviceTag;  // the paired computer, for what is remembered about it
};

// Pairs and shows the panel; kExitOk with `panel` filled, or the status that ended it (said).
// `microphone`, if given, is where the panel's microphone stream reads.
int openRemotePanel(ComputerSession& computer, const Output& out, RemotePanel& panel,
                    MicrophoneOpener microphone = {});

// Taps the menu item of `section` (IntelligentViewController::kSectionMusic...).
void selectPanelSection(IntelligentViewController& screen, std::int32_t section);

// Waits until a plug message `plugId` went out and the computer accepted plug `plugId`.
bool waitForPlugAccepted(ComputerSession& computer, const TerminalPanelView& view,
                         const std::string& plugId);

}  // namespace pd::cli
