#include "RatePacer.h"

#include <algorithm>

namespace pd::peer {

// A year is later than any test or demo waits; it keeps the arithmetic far from overflow.
static constexpr double kLongestWaitSeconds = 365.0 * 24 * 3600;

RatePacer::Clock::time_point RatePacer::readyAt(std::uint64_t sent) const {
    double seconds =
        static_cast<double>(sent) / static_cast<double>(std::max<std::uint64_t>(rate_, 1));
    seconds = std::min(seconds, kLongestWaitSeconds);
    return start_ +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

std::size_t RatePacer::chunkFor(std::uint64_t bytesPerSecond, std::size_t limit) {
    constexpr std::uint64_t kSmallest = 1024;
    std::uint64_t chunk = std::max(bytesPerSecond / 20, kSmallest);
    return static_cast<std::size_t>(std::min<std::uint64_t>(chunk, limit));
}

}  // namespace pd::peer
