#pragma once
// Microphone capture through ALSA: 8 kHz mono S16_LE from the default capture device or a
// named one. A device that cannot give that format itself is opened through ALSA's plug
// layer, which converts and resamples in software.

#include "platform/AudioInput.h"

#include <string>

typedef struct _snd_pcm snd_pcm_t;

namespace pd {

class AlsaAudioInput : public AudioInput {
  public:
    // `device` is an ALSA PCM name ("default", "hw:1,0", "plug:hw:1"). Without a sound card,
    // or for a name ALSA does not know, the result carries the error instead of an input.
    static AudioOpenResult open(const std::string& device = "default");
    ~AlsaAudioInput() override;
    AlsaAudioInput(const AlsaAudioInput&) = delete;
    AlsaAudioInput& operator=(const AlsaAudioInput&) = delete;

    AudioRead read(std::span<std::uint8_t> out) override;
    void pause() override;
    void resume() override;
    std::string describe() const override { return "ALSA capture '" + device_ + "'"; }

  private:
    AlsaAudioInput(snd_pcm_t* pcm, std::string device) : pcm_(pcm), device_(std::move(device)) {}

    snd_pcm_t* pcm_;
    std::string device_;
};

}  // namespace pd
