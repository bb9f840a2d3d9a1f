#pragma once
// The audio receiver: a TCP listener whose port the plug "6" acceptance names. Each
// connection's bytes (8 kHz mono 16-bit little-endian PCM, no framing) go into a WAV file of
// their own, audio-<N>.wav in the audio folder, whose header is fixed up when the connection
// ends. A connection that reaches the size limit is closed; the phone then reconnects and
// starts a new file.
//
// Log lines (stderr), one per connection at its end and one every few seconds while it runs:
//   audio connection N: BYTES bytes -> FILE
//   audio connection N: BYTES bytes so far -> FILE

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace pd::peer {

inline constexpr std::uint64_t kDefaultMaxAudioBytes = 256ull * 1024 * 1024;

struct AudioReceiverConfig {
    std::string address = "127.0.0.1";
    std::uint16_t port = 0;  // 0: an ephemeral port
    std::filesystem::path audioDir;
    std::uint64_t maxBytes = kDefaultMaxAudioBytes;  // per connection (file), sample bytes
    std::chrono::milliseconds progressEvery{5000};
    // Called from the receiver's thread when a connection ends: number, bytes, file.
    std::function<void(std::uint64_t, std::uint64_t, const std::filesystem::path&)> finished;
};

class AudioReceiver {
  public:
    // Listens and starts the receiving thread; nullopt with a logged reason when it cannot.
    static std::unique_ptr<AudioReceiver> start(AudioReceiverConfig config);
    ~AudioReceiver();  // stops: open files are finished as if their connection had ended
    AudioReceiver(const AudioReceiver&) = delete;
    AudioReceiver& operator=(const AudioReceiver&) = delete;

    std::uint16_t port() const { return port_; }

  private:
    AudioReceiver(AudioReceiverConfig config, int listenFd, int stopFd, std::uint16_t port);
    void run();

    AudioReceiverConfig config_;
    int listenFd_;
    int stopFd_;
    std::uint16_t port_;
    std::thread thread_;
};

}  // namespace pd::peer
