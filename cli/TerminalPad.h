#pragma once
// The pad screen played from a terminal's keyboard. A terminal reports no key release, so each
// key press is a whole click: a face button's touch down and up, a shoulder, start or select
// lifted inside, a direction's cell touched and the touch ended.

#include "ComputerSession.h"
#include "Output.h"
#include "RawKeyboard.h"
#include "TerminalGamepadViews.h"

#include "controllers/GameHandleViewController.h"

#include <string>

namespace pd::cli {

// Which key presses which pad button and the computer key it sends, as a table.
std::string renderPadMap(const GameHandleViewController& pad);

// Plays until Esc or Ctrl-C (then the pad's exit), the link closes or a termination signal;
// the pad is left with nothing held. Returns the exit status.
int playOnTerminal(ComputerSession& computer, const Output& out, GameHandleViewController& pad,
                   const TerminalPadView& view, RawKeyboard& keyboard);

}  // namespace pd::cli
