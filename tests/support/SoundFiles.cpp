#include "support/SoundFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

namespace pd::test {

namespace {

SNDFILE* create(const std::filesystem::path& file, int rate, int channels, int format) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | format;
    SNDFILE* sf = sf_open(file.c_str(), SFM_WRITE, &info);
    EXPECT_NE(sf, nullptr) << sf_strerror(nullptr);
    return sf;
}

}  // namespace

void writeWav16(const std::filesystem::path& file, int rate, int channels,
                const std::vector<std::int16_t>& interleaved) {
    if (SNDFILE* sf = create(file, rate, channels, SF_FORMAT_PCM_16)) {
        const auto frames = static_cast<sf_count_t>(interleaved.size() / channels);
        EXPECT_EQ(sf_writef_short(sf, interleaved.data(), frames), frames);
        sf_close(sf);
    }
}

void writeWavFloat(const std::filesystem::path& file, int rate, int channels,
                   const std::vector<float>& interleaved) {
    if (SNDFILE* sf = create(file, rate, channels, SF_FORMAT_FLOAT)) {
        const auto frames = static_cast<sf_count_t>(interleaved.size() / channels);
        EXPECT_EQ(sf_writef_float(sf, interleaved.data(), frames), frames);
        sf_close(sf);
    }
}

std::vector<std::int16_t> rampSamples(std::size_t count) {
    std::vector<std::int16_t> out(count);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(i * 7));
    }
    return out;
}

std::vector<std::uint8_t> asBytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    out.reserve(samples.size() * 2);
    for (std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

}  // namespace pd::test
