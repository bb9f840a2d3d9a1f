#include "platform/FileAudioInput.h"

#include "platform/AudioFormat.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace pd {

namespace {

constexpr sf_count_t kFramesPerRead = 1024;

std::int16_t toSample(double v) {
    const double scaled = std::nearbyint(v * 32768.0);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

}  // namespace

AudioOpenResult FileAudioInput::open(const std::filesystem::path& file, FileAudioOptions options) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(file.c_str(), SFM_READ, &info);
    if (!sf) {
        return {nullptr, "cannot read sound file " + file.string() + ": " + sf_strerror(nullptr)};
    }
    if (info.channels < 1 || info.samplerate < 1) {
        sf_close(sf);
        return {nullptr, "sound file " + file.string() + " has no channels or no sample rate"};
    }
    // Normalised doubles: every sample format reads as -1..1, 16-bit samples exactly.
    sf_command(sf, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
    return {std::unique_ptr<AudioInput>(
                new FileAudioInput(sf, file, info.channels, info.samplerate, options)),
            {}};
}

FileAudioInput::FileAudioInput(SNDFILE* sf, std::filesystem::path file, int channels, int rate,
                               FileAudioOptions options)
    : sf_(sf),
      file_(std::move(file)),
      channels_(channels),
      step_(static_cast<double>(rate) / audio::kSampleRate),
      options_(options) {}

FileAudioInput::~FileAudioInput() {
    sf_close(sf_);
}

bool FileAudioInput::readMono(std::vector<double>& mono) {
    frames_.resize(static_cast<std::size_t>(kFramesPerRead * channels_));
    const sf_count_t got = sf_readf_double(sf_, frames_.data(), kFramesPerRead);
    mono.clear();
    for (sf_count_t f = 0; f < got; ++f) {
        double sum = 0;
        for (int c = 0; c < channels_; ++c) {
            sum += frames_[static_cast<std::size_t>(f * channels_ + c)];
        }
        mono.push_back(sum / channels_);
    }
    return got > 0;
}

AudioRead FileAudioInput::read(std::span<std::uint8_t> out) {
    const std::size_t wanted = out.size() / audio::kBytesPerFrame;
    std::size_t produced = 0;
    auto emit = [&](double v) {
        const auto s = static_cast<std::uint16_t>(toSample(v));
        out[2 * produced] = static_cast<std::uint8_t>(s & 0xFF);
        out[2 * produced + 1] = static_cast<std::uint8_t>(s >> 8);
        ++produced;
    };
    while (produced < wanted && !ended_) {
        if (next_ == mono_.size()) {
            next_ = 0;
            if (!readMono(mono_)) {
                ended_ = true;
                break;
            }
        }
        const double current = mono_[next_++];
        if (!primed_) {
            // The first output sample is the first input sample.
            primed_ = true;
            previous_ = current;
            position_ = 0;
            emit(current);
            position_ += step_;
            continue;
        }
        // Output samples fall at positions in (0, 1] between `previous_` and `current`.
        // At 8 kHz the step is 1 and this copies every sample.
        while (position_ <= 1.0 && produced < wanted) {
            emit(position_ == 1.0 ? current : previous_ + (current - previous_) * position_);
            position_ += step_;
        }
        if (position_ <= 1.0) {
            --next_;  // the buffer is full: this input sample still has outputs to give
            break;
        }
        position_ -= 1.0;
        previous_ = current;
    }
    if (produced == 0 && ended_) {
        return {AudioRead::Status::End, 0, {}};
    }
    return {AudioRead::Status::Data, produced * audio::kBytesPerFrame, {}};
}

}  // namespace pd
