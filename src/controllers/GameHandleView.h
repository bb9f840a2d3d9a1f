#pragma once
// The view of the pad screen: a direction pad and the buttons. The front-end reports touches
// to the controller in the pad's own coordinates and by button tag.

#include "controllers/ScreenView.h"

#include <cstdint>

namespace pd {

struct PadSize {
    double width = 0;
    double height = 0;
};

class GameHandleView : public ScreenView {
  public:
    // The direction pad's size, in the coordinates its touches are reported in.
    virtual PadSize directionPadSize() const { return {}; }
    // The picture of a direction cell (4: neutral).
    virtual void showDirection(std::uint64_t /*cell*/) {}
    virtual void closeScreen() {}
};

}  // namespace pd
