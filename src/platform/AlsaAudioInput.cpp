#include "platform/AlsaAudioInput.h"

#include "platform/AudioFormat.h"
#include "platform/Log.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace pd {

namespace {

constexpr int kWaitMs = 100;
constexpr unsigned kLatencyUs = 500000;  // one buffer of the stream

// ALSA prints its own diagnostics on stderr (a machine without a card gets a dozen lines per
// open); they go to our log instead, where the one error we report says what matters.
void alsaDiagnostic(const char* file, int line, const char*, int, const char* fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    PD_LOG_DEBUG("ALSA {}:{}: {}", file ? file : "?", line, text);
}

// Opens and configures one PCM name; on failure returns null and fills `error`.
snd_pcm_t* openConfigured(const std::string& name, std::string& error) {
    snd_pcm_t* pcm = nullptr;
    int rc = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (rc < 0) {
        error = "cannot open capture device '" + name + "': " + snd_strerror(rc);
        return nullptr;
    }
    rc =
        snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                           audio::kChannels, audio::kSampleRate, 1 /* soft resample */, kLatencyUs);
    if (rc < 0) {
        error =
            "capture device '" + name + "' cannot record 8000 Hz mono 16-bit: " + snd_strerror(rc);
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

}  // namespace

AudioOpenResult AlsaAudioInput::open(const std::string& device) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(alsaDiagnostic); });
    std::string error;
    snd_pcm_t* pcm = openConfigured(device, error);
    std::string opened = device;
    if (!pcm && device.rfind("plug", 0) != 0) {
        // The device itself may not offer the format; the plug layer converts for it.
        std::string plugError;
        opened = "plug:" + device;
        pcm = openConfigured(opened, plugError);
    }
    if (!pcm) {
        return {nullptr, error};
    }
    if (const int rc = snd_pcm_start(pcm); rc < 0) {
        snd_pcm_close(pcm);
        return {nullptr, "cannot start capture on '" + opened + "': " + snd_strerror(rc)};
    }
    return {std::unique_ptr<AudioInput>(new AlsaAudioInput(pcm, opened)), {}};
}

AlsaAudioInput::~AlsaAudioInput() {
    snd_pcm_close(pcm_);
}

AudioRead AlsaAudioInput::read(std::span<std::uint8_t> out) {
    const auto frames = static_cast<snd_pcm_uframes_t>(out.size() / audio::kBytesPerFrame);
    if (frames == 0) {
        return {};
    }
    const int ready = snd_pcm_wait(pcm_, kWaitMs);
    snd_pcm_sframes_t got = ready < 0 ? ready : snd_pcm_readi(pcm_, out.data(), frames);
    if (got == -EAGAIN || ready == 0) {
        return {};
    }
    if (got < 0) {
        // An overrun (the reader fell behind) or a suspend is recoverable; an unplugged
        // device or anything else ends the capture.
        const int rc = snd_pcm_recover(pcm_, static_cast<int>(got), 1);
        if (rc == 0 && snd_pcm_start(pcm_) >= 0) {
            PD_LOG_WARN("{}: recovered from {}", describe(), snd_strerror(static_cast<int>(got)));
            return {};
        }
        return {AudioRead::Status::Failed, 0,
                describe() + " stopped: " + snd_strerror(static_cast<int>(got))};
    }
    return {AudioRead::Status::Data, static_cast<std::size_t>(got) * audio::kBytesPerFrame, {}};
}

void AlsaAudioInput::pause() {
    snd_pcm_drop(pcm_);
}

void AlsaAudioInput::resume() {
    if (snd_pcm_prepare(pcm_) < 0 || snd_pcm_start(pcm_) < 0) {
        PD_LOG_WARN("{}: cannot restart after a pause", describe());
    }
}

}  // namespace pd
