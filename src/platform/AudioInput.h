#pragma once
// Where microphone samples come from: a capture device or a sound file. An input only reads;
// AudioSource runs the thread that reads it and hands the buffers on.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace pd {

struct AudioRead {
    enum class Status { Data, End, Failed };
    Status status = Status::Data;
    std::size_t bytes = 0;  // with Data: bytes written to the front of the buffer (may be 0)
    std::string error;      // with Failed: what went wrong, for the user
};

class AudioInput {
  public:
    virtual ~AudioInput();

    // Fills the front of `out` (an even size) with 8 kHz mono 16-bit little-endian samples.
    // Blocks for at most about 100 ms, so the reading thread notices a stop soon.
    virtual AudioRead read(std::span<std::uint8_t> out) = 0;
    // A capture device stops and later restarts without the samples of the pause.
    virtual void pause() {}
    virtual void resume() {}
    // True for an input that reads as fast as it is asked (a file): the reader then paces
    // the buffers in real time itself. A device is paced by its own clock.
    virtual bool needsPacing() const { return false; }
    virtual std::string describe() const = 0;
};

// The outcome of opening an input: the input, or a message that says what is wrong.
struct AudioOpenResult {
    std::unique_ptr<AudioInput> input;
    std::string error;
    explicit operator bool() const { return input != nullptr; }
};

}  // namespace pd
