#include "TerminalPad.h"

#include "PadButtons.h"
#include "RunLoop.h"
#include "TextFormat.h"

namespace pd::cli {

namespace {

// Playing ends with the user, the link or a signal; there is no answer to wait for.
constexpr auto kPlayLimit = std::chrono::hours(24);

std::string sends(const GameHandleViewController& pad, GameButton button) {
    return pad.keyName(button) + " (" + std::to_string(pad.codeFor(button)) + ")";
}

}  // namespace

std::string renderPadMap(const GameHandleViewController& pad) {
    Table table({Table::Align::Left, Table::Align::Left, Table::Align::Left});
    table.reserve(padButtons().size() + 1);
    std::vector<std::string> cells;
    cells.reserve(padButtons().size() * 3);
    for (const PadButton& b : padButtons()) {
        cells.push_back(keyLabel(b));
        cells.emplace_back(b.name);
        cells.push_back(visibleText(sends(pad, b.button)));
    }
    table.addRow({"key", "button", "sends (code)"});
    for (std::size_t i = 0; i < cells.size(); i += 3) {
        table.addRow({cells[i], cells[i + 1], cells[i + 2]});
    }
    std::string text;
    table.renderInto(text);
    return text;
}

int playOnTerminal(ComputerSession& computer, const Output& out, GameHandleViewController& pad,
                   const TerminalPadView& view, RawKeyboard& keyboard) {
    const int configuration = pad.setType() == 2 ? 2 : 1;
    out.block("Gamepad, configuration " + std::to_string(configuration) + ", sending to " +
              pad.strIP() + ":" + std::to_string(pad.nPort()) + "\n" + renderPadMap(pad) +
              "A key press is a click; Esc or Ctrl-C leaves.\n");
    flushStdout();
    bool leave = false;
    while (!leave) {
        computer.waitFor(
            [&] { return keyboard.hasKeys() || keyboard.leaveRequested() || view.closed; },
            kPlayLimit);
        if (keyboard.leaveRequested() || view.closed || computer.linkClosed() || interrupted()) {
            break;
        }
        for (const std::string& typed : keyboard.take()) {
            for (const PadButton* button : decodeTypedKeys(typed)) {
                if (!button) {
                    leave = true;
                    break;
                }
                press(pad, PadStep{button, PadStep::Part::Both});
                out.event({{"event", "pressed"},
                           {"button", button->name},
                           {"key", pad.keyName(button->button)},
                           {"code", pad.codeFor(button->button)}},
                          "");
                flushStdout();
                if (out.text()) {
                    // One line, rewritten at each press: the terminal is in raw mode.
                    writeStderr("\r\033[K" + std::string(button->name) + " -> " +
                                visibleText(sends(pad, button->button)));
                }
            }
        }
    }
    if (out.text()) {
        writeStderr("\r\033[K");
    }
    const bool lost = computer.linkClosed() || view.closed;
    // The exit control: lifts whatever is held and closes the pad's socket.
    pad.GameOPBnUp(GameHandleViewController::kExitTag);
    if (lost) {
        out.error("the computer closed the connection");
        return kExitFailure;
    }
    // Esc and Ctrl-C are the user's way out; a termination signal is not.
    return leave ? kExitOk : kExitInterrupted;
}

}  // namespace pd::cli
