#pragma once
// The gamepad's settings screen and pad screen on a terminal. They keep what the gamepad
// commands show and wait for; the keys pressed go straight to the pad's controller.

#include "PadButtons.h"

#include "controllers/GameHandleSetView.h"
#include "controllers/GameHandleView.h"

#include <map>
#include <string>

namespace pd::cli {

class TerminalPadSettingsView : public GameHandleSetView {
  public:
    void setTitle(const std::string& key) override { title = key; }
    void setButtonTitle(int button, const std::string& name) override { titles[button] = name; }
    void closeScreen() override { closed = true; }

    std::string title;                  // a localisation key
    std::map<int, std::string> titles;  // by curClickBn
    bool closed = false;
};

class TerminalPadView : public GameHandleView {
  public:
    PadSize directionPadSize() const override { return {kPadSide, kPadSide}; }
    void closeScreen() override { closed = true; }

    bool closed = false;  // left (exit) or the link closed
};

}  // namespace pd::cli
