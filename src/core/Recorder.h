#pragma once
// The microphone recorder: owns an audio source and hands each recorded buffer (up to 8000
// bytes of 8 kHz mono 16-bit little-endian samples) to `audioStreamBlock` on the capture
// thread. When it stops, for whatever reason, `audioStreamStopBlock` runs on the callback
// queue (the main queue unless told otherwise) after the capture thread has ended, so that
// block may release the recorder. stop() never calls it itself.
//
// An interruption (an input error such as an unplugged device, the end of a sound file, or
// sessionInterruption(1)) stops the recorder as stop() does; it does not resume by itself.

#include "platform/AudioInput.h"
#include "platform/AudioSource.h"
#include "platform/DispatchQueue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pd {

// Why the recorder stopped. The panel shows level 0 after the user's stop(); after an
// interruption the level image keeps its last level.
struct RecorderStop {
    bool interrupted = false;  // an input failure, the end of the input, or an interruption
    std::string message;       // an input failure's text, else empty
};

class Recorder {
  public:
    using AudioStreamBlock = std::function<void(std::vector<std::uint8_t>)>;
    using AudioStreamStopBlock = std::function<void(const RecorderStop&)>;

    // Interruption types of sessionInterruption().
    static constexpr int kInterruptionEnded = 0;
    static constexpr int kInterruptionBegan = 1;

    explicit Recorder(std::unique_ptr<AudioInput> input);
    Recorder(std::unique_ptr<AudioInput> input, DispatchQueue& callbackQueue);
    // Stops the capture (waiting for its thread unless called from it) and calls neither
    // block again.
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void GetAudioStreamBlock(AudioStreamBlock block);
    void StopAudioStreamBlock(AudioStreamStopBlock block);

    // Starts recording, or resumes after pause(). False when the recorder has stopped (a
    // recorder records once) or had no input.
    bool start();
    void stop();
    void pause();
    bool isRunning() const;
    void sessionInterruption(int type);

    // What a level meter reads; empty once the recorder is gone.
    std::weak_ptr<const AudioLevelSource> aq() const { return source_; }

  private:
    struct Core;
    std::shared_ptr<Core> core_;
    std::shared_ptr<AudioSource> source_;
};

}  // namespace pd
