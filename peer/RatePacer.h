#pragma once
// Paces one response body to a byte rate: each chunk may go once a steady flow at that rate
// would have carried the bytes already sent. Pure arithmetic over the given times, so it is
// tested without waiting.

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace pd::peer {

class RatePacer {
  public:
    using Clock = std::chrono::steady_clock;

    // bytesPerSecond must be at least 1.
    RatePacer(std::uint64_t bytesPerSecond, Clock::time_point start)
        : rate_(bytesPerSecond), start_(start) {}

    // The earliest time at which the bytes after the first `sent` may go out.
    Clock::time_point readyAt(std::uint64_t sent) const;

    // A twentieth of a second's worth, between 1 KiB and `limit`: small enough that a slow
    // rate still flows smoothly, large enough that a fast one costs few wake-ups.
    static std::size_t chunkFor(std::uint64_t bytesPerSecond, std::size_t limit);

  private:
    std::uint64_t rate_;
    Clock::time_point start_;
};

}  // namespace pd::peer
