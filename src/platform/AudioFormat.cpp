#include "platform/AudioFormat.h"

#include <algorithm>
#include <cmath>

namespace pd::audio {

ChannelLevel measureLevel(std::span<const std::uint8_t> samples) {
    const std::size_t count = samples.size() / kBytesPerFrame;
    if (count == 0) {
        return {kSilenceDb, kSilenceDb};
    }
    double sumSquares = 0;
    double peak = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto raw = static_cast<std::uint16_t>(samples[2 * i] | (samples[2 * i + 1] << 8));
        const double s = static_cast<std::int16_t>(raw) / 32768.0;
        sumSquares += s * s;
        peak = std::max(peak, std::abs(s));
    }
    auto toDb = [](double power) {
        return power > 0 ? std::max(kSilenceDb, static_cast<float>(10.0 * std::log10(power)))
                         : kSilenceDb;
    };
    return {toDb(sumSquares / static_cast<double>(count)), toDb(peak * peak)};
}

}  // namespace pd::audio
