#pragma once
// A sound file as the microphone, for headless use, demos and tests: anything libsndfile reads
// (WAV, FLAC, ...). Channels are mixed down to mono and samples converted to 16 bits. A file
// at another sample rate is resampled to 8 kHz by linear interpolation, which is enough for
// voice: refusing it would only make the user convert the file first. The file ends the stream.

#include "platform/AudioInput.h"

#include <filesystem>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace pd {

struct FileAudioOptions {
    // Deliver half a second of audio every half second, as a microphone would. Off: as fast
    // as the reader asks (tests, benchmarks).
    bool paced = true;
};

class FileAudioInput : public AudioInput {
  public:
    static AudioOpenResult open(const std::filesystem::path& file, FileAudioOptions options = {});
    ~FileAudioInput() override;
    FileAudioInput(const FileAudioInput&) = delete;
    FileAudioInput& operator=(const FileAudioInput&) = delete;

    AudioRead read(std::span<std::uint8_t> out) override;
    bool needsPacing() const override { return options_.paced; }
    std::string describe() const override { return "sound file " + file_.string(); }

  private:
    FileAudioInput(SNDFILE* sf, std::filesystem::path file, int channels, int rate,
                   FileAudioOptions options);
    // Reads the next input frames mixed to mono; false at the end of the file.
    bool readMono(std::vector<double>& mono);

    SNDFILE* sf_;
    std::filesystem::path file_;
    int channels_;
    double step_;  // input frames per output frame
    FileAudioOptions options_;
    std::vector<double> frames_;  // interleaved input frames as read
    std::vector<double> mono_;    // their mono mix not yet used
    std::size_t next_ = 0;        // first unused entry of mono_
    // Linear interpolation state: the previous input sample and the output position after it.
    bool primed_ = false;
    double previous_ = 0;
    double position_ = 0;
    bool ended_ = false;
};

}  // namespace pd
