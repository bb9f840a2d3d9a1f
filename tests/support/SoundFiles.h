#pragma once
// Sound files for the microphone tests, written with libsndfile.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace pd::test {

// Frames of `channels` interleaved samples, as a 16-bit WAV file.
void writeWav16(const std::filesystem::path& file, int rate, int channels,
                const std::vector<std::int16_t>& interleaved);
// The same as 32-bit float samples in -1..1.
void writeWavFloat(const std::filesystem::path& file, int rate, int channels,
                   const std::vector<float>& interleaved);

// A 16-bit ramp that never repeats within 32768 samples: sample i is (i * 7) mod 65536.
std::vector<std::int16_t> rampSamples(std::size_t count);
// Little-endian bytes of samples, as the stream carries them.
std::vector<std::uint8_t> asBytes(const std::vector<std::int16_t>& samples);

}  // namespace pd::test
