#pragma once
// Tells a shake from accelerometer readings: a shake begins after a few strong jolts close
// together and ends when the jolts have stopped for a moment. Readings only, no clock of its
// own, so that a test feeds it a recorded motion.

#include "platform/MotionEvents.h"

#include <cstdint>
#include <optional>

namespace pd::gui {

class ShakeGesture {
  public:
    // Acceleration beyond gravity that counts as a jolt (m/s²).
    static constexpr double kJolt = 8.0;
    // Jolts that make a shake, each within kWindowUs of the one before.
    static constexpr int kJoltsToBegin = 3;
    static constexpr std::uint64_t kWindowUs = 400'000;
    // A shake ends after this long without a jolt.
    static constexpr std::uint64_t kQuietUs = 600'000;

    // One reading (m/s², time in microseconds); the phase that starts or ends with it, if any.
    std::optional<MotionPhase> feed(double x, double y, double z, std::uint64_t timeUs);

    bool shaking() const { return shaking_; }

  private:
    int jolts_ = 0;
    std::optional<std::uint64_t> lastJoltUs_;
    bool shaking_ = false;
};

}  // namespace pd::gui
