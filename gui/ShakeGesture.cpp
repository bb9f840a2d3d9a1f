#include "ShakeGesture.h"

#include <cmath>

namespace pd::gui {

namespace {

constexpr double kGravity = 9.81;

}  // namespace

std::optional<MotionPhase> ShakeGesture::feed(double x, double y, double z, std::uint64_t timeUs) {
    const bool jolt = std::abs(std::sqrt(x * x + y * y + z * z) - kGravity) > kJolt;
    // A clock that went back (a new sensor session) starts afresh rather than wrapping.
    const bool stale = lastJoltUs_ && (timeUs < *lastJoltUs_ || timeUs - *lastJoltUs_ > kWindowUs);
    if (jolt) {
        jolts_ = stale ? 1 : jolts_ + 1;
        lastJoltUs_ = timeUs;
        if (!shaking_ && jolts_ >= kJoltsToBegin) {
            shaking_ = true;
            return MotionPhase::Began;
        }
        return std::nullopt;
    }
    if (stale) {
        jolts_ = 0;
    }
    if (shaking_ && lastJoltUs_ && (timeUs < *lastJoltUs_ || timeUs - *lastJoltUs_ >= kQuietUs)) {
        shaking_ = false;
        jolts_ = 0;
        lastJoltUs_.reset();
        return MotionPhase::Ended;
    }
    return std::nullopt;
}

}  // namespace pd::gui
