// gamepad, gamepad press, gamepad keys: the phone as the computer's gamepad, played from the
// keyboard or pressed by a script, and the two configurations of the keys its buttons send.

#include "Commands.h"
#include "PadButtons.h"
#include "RawKeyboard.h"
#include "RemotePanel.h"
#include "RunLoop.h"
#include "TerminalPad.h"
#include "TextFormat.h"

#include "app/MainLoop.h"
#include "controllers/GameHandleSetVC.h"

#include <unistd.h>

namespace pd::cli {

namespace {

using Panel = IntelligentViewController;

// Long enough for the pad's repeated key-ups (a few milliseconds) to leave before the exit.
constexpr auto kLastRepeatWait = std::chrono::milliseconds(100);

// Opens the gamepad section, the settings of `configuration` first if asked (which makes it
// the one the pad uses), presses start and waits for the pad.
GameHandleViewController* openPad(ComputerSession& computer, RemotePanel& panel,
                                  int configuration) {
    selectPanelSection(*panel.screen, Panel::kSectionGamepad);
    if (configuration != 0) {
        panel.screen->GameBnClick(configuration - 1);
        panel.screen->gamepadSettings()->DoBack();
    }
    panel.screen->GameBnClick(2);
    if (!waitForPlugAccepted(computer, *panel.view, "5") ||
        !computer.waitForAnswer([&] { return panel.view->pad && panel.screen->gamepad(); },
                                "the pad")) {
        return nullptr;
    }
    return panel.screen->gamepad().get();
}

int leavePanel(const RemotePanel& panel, int status) {
    panel.screen->viewWillDisappear();
    return status;
}

std::string partName(PadStep::Part part) {
    switch (part) {
        case PadStep::Part::Down:
            return "down";
        case PadStep::Part::Up:
            return "up";
        case PadStep::Part::Both:
            break;
    }
    return "press";
}

}  // namespace

int runGamepad(const GlobalOptions& options, int configuration) {
    Output out(options.outputMode());
    if (::isatty(STDIN_FILENO) != 1) {
        out.error(
            "gamepad: the pad reads keys from a terminal and stdin is none; a script presses "
            "buttons with: pocketdesk gamepad press BUTTON[:down|:up]...");
        return kExitUsage;
    }
    ComputerSession computer(options, out);
    RemotePanel panel;
    if (const int status = openRemotePanel(computer, out, panel); status != kExitOk) {
        return status;
    }
    GameHandleViewController* pad = openPad(computer, panel, configuration);
    if (!pad) {
        return leavePanel(panel, kExitFailure);
    }
    std::string error;
    auto keyboard = RawKeyboard::open(error);
    if (!keyboard) {
        pad->GameOPBnUp(GameHandleViewController::kExitTag);
        out.error("gamepad: " + error);
        return leavePanel(panel, kExitFailure);
    }
    const int status = playOnTerminal(computer, out, *pad, *panel.view->pad, *keyboard);
    keyboard.reset();  // the terminal as it was before anything more is printed
    return leavePanel(panel, status);
}

int runGamepadPress(const GlobalOptions& options, int configuration,
                    const std::vector<std::string>& buttons) {
    Output out(options.outputMode());
    std::vector<PadStep> steps;
    for (const std::string& text : buttons) {
        auto step = parsePadStep(text);
        if (!step) {
            out.error("gamepad press: unknown button '" + visibleText(text) + "'; give " +
                      padButtonNames() + ", each alone (a click) or with :down or :up");
            return kExitUsage;
        }
        steps.push_back(*step);
    }
    ComputerSession computer(options, out);
    RemotePanel panel;
    if (const int status = openRemotePanel(computer, out, panel); status != kExitOk) {
        return status;
    }
    GameHandleViewController* pad = openPad(computer, panel, configuration);
    if (!pad) {
        return leavePanel(panel, kExitFailure);
    }
    for (const PadStep& step : steps) {
        press(*pad, step);
        const GameButton b = step.button->button;
        out.result("pressed", "presses",
                   {{"button", step.button->name},
                    {"part", partName(step.part)},
                    {"key", pad->keyName(b)},
                    {"code", pad->codeFor(b)}},
                   std::string(step.button->name) + (step.part == PadStep::Part::Both ? "" : ":") +
                       (step.part == PadStep::Part::Both ? "" : partName(step.part)) + " -> " +
                       visibleText(pad->keyName(b)) + " (" + std::to_string(pad->codeFor(b)) + ")");
    }
    computer.waitFor([] { return false; }, kLastRepeatWait);
    const bool lost = computer.linkClosed();
    // The exit control lifts whatever a :down left held.
    pad->GameOPBnUp(GameHandleViewController::kExitTag);
    if (lost) {
        out.error("the computer closed the connection");
        return leavePanel(panel, kExitFailure);
    }
    return leavePanel(panel, kExitOk);
}

int runGamepadKeys(const GlobalOptions& options, int configuration, const std::string& buttonName,
                   const std::string& keyName) {
    Output out(options.outputMode());
    const PadButton* button = buttonName.empty() ? nullptr : findPadButton(buttonName);
    if (!buttonName.empty() && !button) {
        out.error("gamepad keys: unknown button '" + visibleText(buttonName) + "'; give " +
                  padButtonNames());
        return kExitUsage;
    }
    if (button && keyName.empty()) {
        out.error("gamepad keys: give the key for " + buttonName + " too");
        return kExitUsage;
    }
    if (button && !isSelectableKeyName(keyName)) {
        std::string names;
        for (const std::string& name : selectableKeyNames()) {
            names += (names.empty() ? "" : " ") + name;
        }
        out.error("gamepad keys: '" + visibleText(keyName) + "' is not a key a button can send; " +
                  "give one of: " + names);
        return kExitUsage;
    }
    // The settings live on the phone: the panel opens them without a computer.
    ComputerSession phone(options, out);
    auto view = std::make_shared<TerminalPanelView>(out, options.yes);
    auto screen = std::make_shared<Panel>(view, phone.app().browserServices());
    screen->GameBnClick(configuration - 1);
    const std::shared_ptr<GameHandleSetVC> settings = screen->gamepadSettings();
    if (button) {
        settings->buttonAction(GameHandleSetVC::curClickBnFor(button->button));
        if (settings->DropDownSelectValue(keyName) != KeyChoiceOutcome::Stored) {
            out.error("gamepad keys: the key was not stored");
            return kExitFailure;
        }
    }
    const KeyMapDic codes = GenKeyMapCode();
    out.begin({{"configuration", configuration}, {"buttons", nlohmann::json::array()}});
    Table table({Table::Align::Left, Table::Align::Left, Table::Align::Right});
    table.reserve(padButtons().size());
    std::vector<std::string> names;
    names.reserve(padButtons().size());
    for (const PadButton& b : padButtons()) {
        names.push_back(visibleText(settings->title(b.button)));
    }
    std::vector<std::string> numbers;
    numbers.reserve(padButtons().size());
    for (std::size_t i = 0; i < padButtons().size(); ++i) {
        const PadButton& b = padButtons()[i];
        const std::string& name = settings->title(b.button);
        numbers.push_back(std::to_string(keyCodeFor(codes, name)));
        if (out.json()) {
            out.result("key", "buttons",
                       {{"button", b.name}, {"key", name}, {"code", keyCodeFor(codes, name)}}, "");
        }
    }
    settings->DoBack();
    if (out.json()) {
        return kExitOk;
    }
    for (std::size_t i = 0; i < padButtons().size(); ++i) {
        table.addRow({padButtons()[i].name, names[i], numbers[i]});
    }
    std::string text = app::displayText(configuration == 2 ? "game config2" : "game config1") +
                       " (the pad plays with it now)\n";
    table.renderInto(text);
    out.block(text);
    return kExitOk;
}

}  // namespace pd::cli
