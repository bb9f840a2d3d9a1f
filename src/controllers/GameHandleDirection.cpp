#include "controllers/GameHandleDirection.h"

#include <algorithm>
#include <cmath>

namespace pd {

namespace {

// The column (or row) of a coordinate in 0..length; the far edge belongs to the last one.
std::uint64_t third(double position, double length) {
    const double index = std::floor(position / (length / 3));
    return static_cast<std::uint64_t>(std::clamp(index, 0.0, 2.0));
}

}  // namespace

std::uint64_t GameHandleDirection::directionForPoint(double x, double y, double w, double h) {
    // Written so that NaN anywhere also lands in the centre.
    if (!(w > 0 && h > 0) || !(x >= 0 && x <= w && y >= 0 && y <= h)) {
        return kCentre;
    }
    return third(x, w) * 3 + third(y, h);
}

void GameHandleDirection::touchMoved(double x, double y, double w, double h) {
    const std::uint64_t cell = directionForPoint(x, y, w, h);
    if (cell == currentDirection_) {
        return;
    }
    currentDirection_ = cell;
    if (delegate_) {
        delegate_->didPressDirection(*this, cell);
    }
}

void GameHandleDirection::touchEnded() {
    currentDirection_ = kCentre;
    if (delegate_) {
        delegate_->GameHandleDidReleaseDirection(*this);
    }
}

}  // namespace pd
