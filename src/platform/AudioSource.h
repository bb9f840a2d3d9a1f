#pragma once
// Delivers microphone buffers from a capture thread of its own: up to 8000 bytes (half a
// second) of 8 kHz mono 16-bit little-endian samples each, read from an AudioInput. The
// buffer handler and, last of all, the end handler run on that thread.
//
// stop() from any other thread waits for the capture thread to end; from a handler (on the
// capture thread) it only asks, and the thread ends once the handler returns. Destroying the
// source from one of its handlers is allowed too: the thread then ends by itself, owning what
// it still needs.

#include "platform/AudioFormat.h"
#include "platform/AudioInput.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pd {

// Why a capture ended.
struct AudioEnd {
    enum class Reason { Stopped, EndOfInput, Failed };
    Reason reason = Reason::Stopped;
    std::string message;  // with Failed: what went wrong
};

struct AudioHandlers {
    std::function<void(std::vector<std::uint8_t>)> buffer;
    std::function<void(const AudioEnd&)> ended;
};

// What a level meter reads: the current level of each channel, or nothing once the capture
// has ended.
class AudioLevelSource {
  public:
    virtual ~AudioLevelSource();
    virtual int channelCount() const = 0;
    virtual std::optional<std::vector<audio::ChannelLevel>> currentLevels() const = 0;
};

class AudioSource : public AudioLevelSource {
  public:
    explicit AudioSource(std::unique_ptr<AudioInput> input);
    ~AudioSource() override;
    AudioSource(const AudioSource&) = delete;
    AudioSource& operator=(const AudioSource&) = delete;

    // Starts the capture thread, or resumes a paused capture. False once the capture has
    // ended: a source runs once.
    bool start(AudioHandlers handlers);
    // Stops reading until start() again; a partly filled buffer is delivered first.
    void pause();
    void stop();
    bool isRunning() const;

    int channelCount() const override { return audio::kChannels; }
    // The levels of the last delivered buffer, while the capture runs.
    std::optional<std::vector<audio::ChannelLevel>> currentLevels() const override;

  private:
    struct State;
    static void capture(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace pd
