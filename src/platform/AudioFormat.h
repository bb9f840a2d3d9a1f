#pragma once
// The one audio format the microphone stream uses: 8 kHz, 16-bit signed little-endian, mono.
// A recorded buffer holds at most half a second of it.

#include <cstddef>
#include <cstdint>
#include <span>

namespace pd::audio {

inline constexpr int kSampleRate = 8000;
inline constexpr int kChannels = 1;
inline constexpr std::size_t kBytesPerFrame = 2;
inline constexpr std::size_t kBytesPerSecond = kSampleRate * kBytesPerFrame;  // 16,000
inline constexpr std::size_t kBytesPerMillisecond = kBytesPerSecond / 1000;   // 16
// ceil(8000 x 0.5) frames x 2 bytes.
inline constexpr std::size_t kBufferBytes = kBytesPerSecond / 2;

// Average and peak power of one channel in decibels relative to full scale (0 dB is the
// loudest square wave; silence is kSilenceDb).
struct ChannelLevel {
    float averageDb = 0;
    float peakDb = 0;
};

inline constexpr float kSilenceDb = -160.0f;

// The levels of a run of 16-bit little-endian samples (an odd trailing byte is ignored).
ChannelLevel measureLevel(std::span<const std::uint8_t> samples);

}  // namespace pd::audio
