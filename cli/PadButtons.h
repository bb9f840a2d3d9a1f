#pragma once
// The pad's buttons as the gamepad commands name them, how each is pressed on the pad screen
// (by tag, or through a cell of the direction pad), and the terminal keys that press it.

#include "controllers/GameKeyMap.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pd {
class GameHandleViewController;
}

namespace pd::cli {

struct PadButton {
    std::string_view name;  // as typed: "x", "l1", "up"
    GameButton button;
    int tag;     // the pad screen's tag; 0 for the four directions
    char key;    // the terminal key that presses it
    char arrow;  // the final byte of its arrow key's escape sequence (ESC [ A), or 0
    bool isDirection() const { return tag == 0; }
};

// In the settings screen's order: up, down, left, right, triangle, square, ring, x, l1, l2,
// r1, r2, start, select.
const std::array<PadButton, kGameButtonCount>& padButtons();
const PadButton* findPadButton(std::string_view name);
// "up, down, left, ..." for usage messages.
std::string padButtonNames();
// The keys that press a button, as the pad screen lists them: "↑ w", "Enter", "i".
std::string keyLabel(const PadButton& button);

// A script step: a button pressed (down and up), only held, or only lifted.
struct PadStep {
    enum class Part { Both, Down, Up };
    const PadButton* button = nullptr;
    Part part = Part::Both;
};
// "x", "up:down", "l1:up"; nullopt for an unknown name or part.
std::optional<PadStep> parsePadStep(std::string_view text);

// What the bytes a terminal sent for some key presses ask for, in order: a button (null for
// leaving: Esc or Ctrl-C). Keys that press nothing are left out.
std::vector<const PadButton*> decodeTypedKeys(std::string_view typed);

// The direction pad the terminal reports touches on: three by three, one unit a cell.
inline constexpr double kPadSide = 3;

// Touches the pad as a finger does: a button's touch down and up inside (by tag), a direction's
// cell touched at its centre and the touch ended.
void pressDown(GameHandleViewController& pad, const PadButton& button);
void pressUp(GameHandleViewController& pad, const PadButton& button);
void press(GameHandleViewController& pad, const PadStep& step);

}  // namespace pd::cli
