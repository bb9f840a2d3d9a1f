// The peer's audio receiver: each connection becomes a WAV file holding exactly its bytes.

#include "AudioReceiver.h"
#include "NetWork/AudioStreamTransfer.h"
#include "core/Recorder.h"
#include "platform/FileAudioInput.h"
#include "support/SoundFiles.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

struct WavContents {
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<std::uint8_t> samples;
};

WavContents readWav(const fs::path& file) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(file.c_str(), SFM_READ, &info);
    EXPECT_NE(sf, nullptr) << file;
    if (!sf) {
        return {};
    }
    WavContents w{info.samplerate, info.channels, info.format, {}};
    w.samples.resize(static_cast<std::size_t>(info.frames) * 2);
    EXPECT_EQ(sf_read_raw(sf, w.samples.data(), static_cast<sf_count_t>(w.samples.size())),
              static_cast<sf_count_t>(w.samples.size()));
    sf_close(sf);
    return w;
}

void sendAndClose(int port, const std::vector<std::uint8_t>& bytes) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

class AudioReceiverTest : public TempHome {
  protected:
    struct Finished {
        std::uint64_t number;
        std::uint64_t bytes;
        fs::path file;
    };
    void start(std::uint64_t maxBytes = peer::kDefaultMaxAudioBytes) {
        peer::AudioReceiverConfig config;
        config.audioDir = home() / "Audio";
        config.maxBytes = maxBytes;
        config.finished = [this](std::uint64_t n, std::uint64_t bytes, const fs::path& f) {
            std::lock_guard lock(mutex_);
            finished_.push_back({n, bytes, f});
        };
        receiver_ = peer::AudioReceiver::start(config);
        ASSERT_NE(receiver_, nullptr);
        ASSERT_NE(receiver_->port(), 0);
    }
    std::vector<Finished> waitFinished(std::size_t count) {
        EXPECT_TRUE(waitFor([&] {
            std::lock_guard lock(mutex_);
            return finished_.size() >= count;
        }));
        std::lock_guard lock(mutex_);
        return finished_;
    }
    std::mutex mutex_;
    std::vector<Finished> finished_;
    std::unique_ptr<peer::AudioReceiver> receiver_;
};

}  // namespace

TEST_F(AudioReceiverTest, EachConnectionBecomesA8kMonoWavOfExactlyItsBytes) {
    start();
    const auto first = asBytes(rampSamples(12345));
    const auto second = asBytes(rampSamples(10));
    sendAndClose(receiver_->port(), first);
    waitFinished(1);
    sendAndClose(receiver_->port(), second);
    const auto done = waitFinished(2);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].bytes, first.size());
    EXPECT_EQ(done[1].number, 2u);
    const WavContents wav = readWav(done[0].file);
    EXPECT_EQ(wav.rate, 8000);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(wav.samples, first);
    EXPECT_EQ(readWav(done[1].file).samples, second);
    EXPECT_EQ(done[1].file.parent_path(), home() / "Audio");
}

TEST_F(AudioReceiverTest, AConnectionIsClosedAtTheSizeLimitWithAWholeFile) {
    start(5000);
    sendAndClose(receiver_->port(), asBytes(rampSamples(8000)));
    const auto done = waitFinished(1);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].bytes, 5000u);
    const auto all = asBytes(rampSamples(8000));
    EXPECT_EQ(readWav(done[0].file).samples,
              std::vector<std::uint8_t>(all.begin(), all.begin() + 5000));
}

TEST_F(AudioReceiverTest, ARecordedFileStreamedByTheSenderArrivesWhole) {
    start();
    // 2 s, four buffers: exactly the sender's backlog limit, so an unpaced file read faster
    // than a busy machine connects never loses its oldest buffer.
    const auto samples = rampSamples(16000);
    writeWav16(home() / "voice.wav", 8000, 1, samples);
    auto opened = FileAudioInput::open(home() / "voice.wav", FileAudioOptions{.paced = false});
    ASSERT_TRUE(opened) << opened.error;
    {
        AudioStreamTransfer sender;
        Recorder recorder(std::move(opened.input));
        std::atomic<bool> stopped{false};
        const int port = receiver_->port();
        recorder.GetAudioStreamBlock([&, port](std::vector<std::uint8_t> bytes) {
            sender.ConnectServer("127.0.0.1", port, std::move(bytes));
        });
        recorder.StopAudioStreamBlock([&](const RecorderStop&) { stopped = true; });
        ASSERT_TRUE(recorder.start());
        ASSERT_TRUE(pumpMainUntil([&] { return stopped.load(); }));
        ASSERT_TRUE(waitFor([&] { return sender.stats().buffersWritten == 4; }));
    }  // the sender closes its connection
    const auto done = waitFinished(1);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(readWav(done[0].file).samples, asBytes(samples));
}
