#include "PadButtons.h"

#include "controllers/GameHandleViewController.h"

#include <algorithm>

namespace pd::cli {

namespace {

using Pad = GameHandleViewController;

// Directions on the arrow keys (or w a s d); the face buttons in a diamond on i j k l; the
// shoulders beside w a s d; start and select on Enter and Space.
constexpr std::array<PadButton, kGameButtonCount> kButtons = {{
    {"up", GameButton::Up, 0, 'w', 'A'},
    {"down", GameButton::Down, 0, 's', 'B'},
    {"left", GameButton::Left, 0, 'a', 'D'},
    {"right", GameButton::Right, 0, 'd', 'C'},
    {"triangle", GameButton::Triangle, Pad::kTriangleTag, 'i', 0},
    {"square", GameButton::Square, Pad::kSquareTag, 'j', 0},
    {"ring", GameButton::Ring, Pad::kRingTag, 'l', 0},
    {"x", GameButton::X, Pad::kXTag, 'k', 0},
    {"l1", GameButton::L1, Pad::kL1Tag, 'q', 0},
    {"l2", GameButton::L2, Pad::kL2Tag, 'z', 0},
    {"r1", GameButton::R1, Pad::kR1Tag, 'e', 0},
    {"r2", GameButton::R2, Pad::kR2Tag, 'c', 0},
    {"start", GameButton::Start, Pad::kStartTag, '\r', 0},
    {"select", GameButton::Select, Pad::kSelectTag, ' ', 0},
}};

constexpr char kEsc = 0x1b;
constexpr char kCtrlC = 0x03;

const PadButton* forKey(char key) {
    if (key == '\n') {
        key = '\r';  // Enter, whichever the terminal sends
    } else if (key >= 'A' && key <= 'Z') {
        key = static_cast<char>(key - 'A' + 'a');
    }
    auto it = std::ranges::find(kButtons, key, &PadButton::key);
    return it == kButtons.end() ? nullptr : &*it;
}

const PadButton* forArrow(char final) {
    auto it = std::ranges::find(kButtons, final, &PadButton::arrow);
    return final == 0 || it == kButtons.end() ? nullptr : &*it;
}

// The centre of a direction's cell; cells are numbered column * 3 + row, and the pad's up is
// its right-hand column (cell 7), down its left-hand one (cell 1).
std::pair<double, double> cellCentre(GameButton direction) {
    switch (direction) {
        case GameButton::Up:
            return {2.5, 1.5};
        case GameButton::Down:
            return {0.5, 1.5};
        case GameButton::Left:
            return {1.5, 0.5};
        default:
            return {1.5, 2.5};  // right
    }
}

}  // namespace

const std::array<PadButton, kGameButtonCount>& padButtons() {
    return kButtons;
}

const PadButton* findPadButton(std::string_view name) {
    auto it = std::ranges::find(kButtons, name, &PadButton::name);
    return it == kButtons.end() ? nullptr : &*it;
}

std::string padButtonNames() {
    std::string names;
    for (const PadButton& b : kButtons) {
        names += (names.empty() ? "" : ", ") + std::string(b.name);
    }
    return names;
}

std::string keyLabel(const PadButton& button) {
    constexpr std::string_view kArrows[] = {"↑", "↓", "←", "→"};
    if (button.key == '\r') {
        return "Enter";
    }
    if (button.key == ' ') {
        return "Space";
    }
    std::string label;
    if (button.isDirection()) {
        label = std::string(kArrows[static_cast<std::size_t>(button.button)]) + " ";
    }
    return label + button.key;
}

std::vector<const PadButton*> decodeTypedKeys(std::string_view typed) {
    std::vector<const PadButton*> keys;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const char c = typed[i];
        if (c == kCtrlC) {
            keys.push_back(nullptr);
        } else if (c != kEsc) {
            if (const PadButton* b = forKey(c)) {
                keys.push_back(b);
            }
        } else if (i + 1 < typed.size() && (typed[i + 1] == '[' || typed[i + 1] == 'O')) {
            // A key's escape sequence: parameters, then one final byte. Only a bare arrow
            // (ESC [ A) presses something; F-keys and modified arrows are skipped whole.
            std::size_t end = i + 2;
            while (end < typed.size() && !(typed[end] >= 0x40 && typed[end] <= 0x7e)) {
                ++end;
            }
            if (end < typed.size() && end == i + 2) {
                if (const PadButton* b = forArrow(typed[end])) {
                    keys.push_back(b);
                }
            }
            i = end;
        } else {
            keys.push_back(nullptr);  // Esc on its own
        }
    }
    return keys;
}

std::optional<PadStep> parsePadStep(std::string_view text) {
    PadStep step;
    const auto colon = text.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view part = text.substr(colon + 1);
        if (part == "down") {
            step.part = PadStep::Part::Down;
        } else if (part == "up") {
            step.part = PadStep::Part::Up;
        } else {
            return std::nullopt;
        }
        text = text.substr(0, colon);
    }
    step.button = findPadButton(text);
    if (!step.button) {
        return std::nullopt;
    }
    return step;
}

void pressDown(GameHandleViewController& pad, const PadButton& button) {
    if (button.isDirection()) {
        const auto [x, y] = cellCentre(button.button);
        pad.directionTouchBegan(x, y);
    } else {
        pad.GameOPBnDown(button.tag);
    }
}

void pressUp(GameHandleViewController& pad, const PadButton& button) {
    if (button.isDirection()) {
        pad.directionTouchEnded();
    } else {
        pad.GameOPBnUp(button.tag);
    }
}

void press(GameHandleViewController& pad, const PadStep& step) {
    if (step.part != PadStep::Part::Up) {
        pressDown(pad, *step.button);
    }
    if (step.part != PadStep::Part::Down) {
        pressUp(pad, *step.button);
    }
}

}  // namespace pd::cli
