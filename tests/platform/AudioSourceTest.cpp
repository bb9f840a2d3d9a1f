// Microphone input: sound files as the microphone, the capture thread, ALSA where a card exists.

#include "platform/AlsaAudioInput.h"
#include "platform/AudioSource.h"
#include "platform/FileAudioInput.h"
#include "support/SoundFiles.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <mutex>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

// Everything an unpaced source delivered, in order.
struct Delivery {
    std::vector<std::size_t> sizes;
    std::vector<std::uint8_t> bytes;
    std::optional<AudioEnd> end;
};

Delivery readAll(std::unique_ptr<AudioInput> input) {
    auto result = std::make_shared<Delivery>();
    auto mutex = std::make_shared<std::mutex>();
    AudioSource source(std::move(input));
    EXPECT_TRUE(source.start({[=](std::vector<std::uint8_t> b) {
                                  std::lock_guard lock(*mutex);
                                  result->sizes.push_back(b.size());
                                  result->bytes.insert(result->bytes.end(), b.begin(), b.end());
                              },
                              [=](const AudioEnd& e) {
                                  std::lock_guard lock(*mutex);
                                  result->end = e;
                              }}));
    EXPECT_TRUE(waitFor([&] {
        std::lock_guard lock(*mutex);
        return result->end.has_value();
    }));
    source.stop();
    return *result;
}

AudioOpenResult openUnpaced(const fs::path& file) {
    return FileAudioInput::open(file, FileAudioOptions{.paced = false});
}

std::int16_t sampleAt(const std::vector<std::uint8_t>& bytes, std::size_t i) {
    return static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

class FileAudioInputTest : public TempHome {};

}  // namespace

TEST_F(FileAudioInputTest, TwoSecondsOfVoiceArriveAsFourFullBuffersInOrder) {
    const auto samples = rampSamples(16000);
    writeWav16(home() / "voice.wav", 8000, 1, samples);
    auto opened = openUnpaced(home() / "voice.wav");
    ASSERT_TRUE(opened) << opened.error;

    const Delivery d = readAll(std::move(opened.input));
    EXPECT_EQ(d.sizes, (std::vector<std::size_t>{8000, 8000, 8000, 8000}));
    EXPECT_EQ(d.bytes, asBytes(samples));
    ASSERT_TRUE(d.end);
    EXPECT_EQ(d.end->reason, AudioEnd::Reason::EndOfInput);
}

TEST_F(FileAudioInputTest, OtherLayoutsAreConvertedTo8kMono16Bit) {
    // Each file holds one second of a constant or a ramp; what arrives is 8000 samples.
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> write;
        std::function<void(const std::vector<std::uint8_t>&)> check;
    };
    const std::vector<Case> cases = {
        {"stereo is mixed down to the channels' mean",
         [](const fs::path& f) {
             std::vector<std::int16_t> frames;
             for (int i = 0; i < 8000; ++i) {
                 frames.insert(frames.end(), {1000, 3000});
             }
             writeWav16(f, 8000, 2, frames);
         },
         [](const std::vector<std::uint8_t>& b) {
             ASSERT_EQ(b.size(), 16000u);
             EXPECT_EQ(sampleAt(b, 0), 2000);
             EXPECT_EQ(sampleAt(b, 7999), 2000);
         }},
        {"float samples become 16-bit, clipped at full scale",
         [](const fs::path& f) {
             std::vector<float> frames(8000, 0.5f);
             frames[1] = -1.0f;
             frames[2] = 1.5f;  // out of range in the file
             writeWavFloat(f, 8000, 1, frames);
         },
         [](const std::vector<std::uint8_t>& b) {
             ASSERT_EQ(b.size(), 16000u);
             EXPECT_EQ(sampleAt(b, 0), 16384);
             EXPECT_EQ(sampleAt(b, 1), -32768);
             EXPECT_EQ(sampleAt(b, 2), 32767);
         }},
        {"16 kHz is resampled: every other sample of a slow ramp",
         [](const fs::path& f) {
             std::vector<std::int16_t> frames(16000);
             for (int i = 0; i < 16000; ++i) {
                 frames[i] = static_cast<std::int16_t>(i);
             }
             writeWav16(f, 16000, 1, frames);
         },
         [](const std::vector<std::uint8_t>& b) {
             ASSERT_EQ(b.size(), 16000u);
             for (std::size_t i : {0u, 1u, 100u, 7999u}) {
                 EXPECT_EQ(sampleAt(b, i), static_cast<std::int16_t>(2 * i)) << i;
             }
         }},
        {"11025 Hz is interpolated between neighbours",
         [](const fs::path& f) {
             std::vector<std::int16_t> frames(11025);
             for (int i = 0; i < 11025; ++i) {
                 frames[i] = static_cast<std::int16_t>(i);
             }
             writeWav16(f, 11025, 1, frames);
         },
         [](const std::vector<std::uint8_t>& b) {
             ASSERT_NEAR(static_cast<double>(b.size()), 16000.0, 4.0);
             // Output sample i lies at input position i x 11025 / 8000.
             EXPECT_NEAR(sampleAt(b, 1000), 1378.125, 1.0);
             EXPECT_NEAR(sampleAt(b, 5000), 6890.625, 1.0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = home() / "in.wav";
        c.write(file);
        auto opened = openUnpaced(file);
        ASSERT_TRUE(opened) << opened.error;
        const Delivery d = readAll(std::move(opened.input));
        c.check(d.bytes);
        EXPECT_LE(*std::max_element(d.sizes.begin(), d.sizes.end()), 8000u);
    }
}

TEST_F(FileAudioInputTest, TheLastBufferMayBeShortAndAMissingFileSaysWhich) {
    writeWav16(home() / "short.wav", 8000, 1, rampSamples(9000));
    auto opened = openUnpaced(home() / "short.wav");
    ASSERT_TRUE(opened);
    EXPECT_EQ(readAll(std::move(opened.input)).sizes, (std::vector<std::size_t>{8000, 8000, 2000}));

    std::ofstream(home() / "notes.txt") << "not a sound file";
    for (const fs::path& bad : {home() / "missing.wav", home() / "notes.txt"}) {
        auto refused = FileAudioInput::open(bad);
        EXPECT_FALSE(refused);
        EXPECT_NE(refused.error.find(bad.string()), std::string::npos) << refused.error;
    }
}

TEST_F(FileAudioInputTest, AStopFromTheBufferHandlerEndsTheCaptureWithoutWaitingForItself) {
    writeWav16(home() / "long.wav", 8000, 1, rampSamples(80000));
    auto opened = openUnpaced(home() / "long.wav");
    ASSERT_TRUE(opened);
    std::atomic<int> buffers{0};
    std::atomic<bool> ended{false};
    std::optional<AudioEnd::Reason> reason;
    auto source = std::make_unique<AudioSource>(std::move(opened.input));
    ASSERT_TRUE(source->start({[&](std::vector<std::uint8_t>) {
                                   if (++buffers == 2) {
                                       source->stop();
                                   }
                               },
                               [&](const AudioEnd& e) {
                                   reason = e.reason;
                                   ended = true;
                               }}));
    ASSERT_TRUE(waitFor([&] { return ended.load(); }));
    EXPECT_EQ(buffers.load(), 2);
    EXPECT_EQ(reason, AudioEnd::Reason::Stopped);
    EXPECT_FALSE(source->isRunning());
    EXPECT_FALSE(source->currentLevels());
    EXPECT_FALSE(source->start({})) << "a source runs once";

    // Destroying the source from its own handler: the thread finishes by itself.
    auto second = openUnpaced(home() / "long.wav");
    source = std::make_unique<AudioSource>(std::move(second.input));
    std::atomic<bool> destroying{false};
    std::atomic<bool> destroyed{false};
    ASSERT_TRUE(source->start({[&](std::vector<std::uint8_t>) {
                                   if (!destroying.exchange(true)) {
                                       source.reset();
                                       destroyed = true;  // only now may this thread let go
                                   }
                               },
                               {}}));
    EXPECT_TRUE(waitFor([&] { return destroyed.load(); }));
}

TEST_F(FileAudioInputTest, APausedSourceResumesWhereItPaused) {
    writeWav16(home() / "long.wav", 8000, 1, rampSamples(40000));
    auto opened = FileAudioInput::open(home() / "long.wav");  // paced: a buffer each 0.5 s
    ASSERT_TRUE(opened);
    std::mutex mutex;
    std::vector<std::uint8_t> got;
    AudioSource source(std::move(opened.input));
    ASSERT_TRUE(source.start({[&](std::vector<std::uint8_t> b) {
                                  std::lock_guard lock(mutex);
                                  got.insert(got.end(), b.begin(), b.end());
                              },
                              {}}));
    ASSERT_TRUE(waitFor([&] {
        std::lock_guard lock(mutex);
        return !got.empty();
    }));
    source.pause();
    EXPECT_FALSE(source.isRunning());
    std::size_t atPause = 0;
    {
        std::lock_guard lock(mutex);
        atPause = got.size();
    }
    EXPECT_TRUE(source.start({}));  // resumes; the handlers stay those of the first start
    ASSERT_TRUE(waitFor([&] {
        std::lock_guard lock(mutex);
        return got.size() > atPause;
    }));
    source.stop();
    std::lock_guard lock(mutex);
    const auto all = asBytes(rampSamples(40000));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), all.begin())) << "nothing skipped or repeated";
}

TEST(AudioLevels, PowerIsMeasuredInDecibelsOfFullScale) {
    struct Case {
        std::int16_t value;
        float averageDb;
    };
    for (const Case& c : std::vector<Case>{
             {0, audio::kSilenceDb}, {-32768, 0.0f}, {16384, -6.0206f}, {328, -39.9915f}}) {
        const auto bytes = asBytes(std::vector<std::int16_t>(400, c.value));
        const audio::ChannelLevel level = audio::measureLevel(bytes);
        EXPECT_NEAR(level.averageDb, c.averageDb, 0.01) << c.value;
        EXPECT_NEAR(level.peakDb, c.averageDb, 0.01) << c.value;
    }
}

TEST(AlsaAudioInput, AnUnknownDeviceIsAnErrorNotACrash) {
    auto opened = AlsaAudioInput::open("pocketdesk-no-such-device");
    EXPECT_FALSE(opened);
    EXPECT_NE(opened.error.find("pocketdesk-no-such-device"), std::string::npos) << opened.error;
}

TEST(AlsaAudioInput, TheDefaultDeviceRecordsHalfSecondBuffers) {
    auto opened = AlsaAudioInput::open();
    if (!opened) {
        GTEST_SKIP() << "no capture device here: " << opened.error;
    }
    std::atomic<std::size_t> firstSize{0};
    AudioSource source(std::move(opened.input));
    ASSERT_TRUE(source.start({[&](std::vector<std::uint8_t> b) { firstSize = b.size(); }, {}}));
    EXPECT_TRUE(waitFor([&] { return firstSize.load() != 0; }, 3s));
    source.stop();
    EXPECT_EQ(firstSize.load(), 8000u);
}
