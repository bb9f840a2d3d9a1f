// The microphone's recorder, level meter table and level images.

#include "core/AQLevelMeter.h"
#include "core/MeterTable.h"
#include "core/Recorder.h"
#include "platform/FileAudioInput.h"
#include "platform/MainQueue.h"
#include "support/SoundFiles.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>

using namespace pd;
using namespace pd::test;

TEST(MeterTable, MapsDecibelsThroughTheRootCurveAndRefusesANonNegativeMinimum) {
    const MeterTable table;
    ASSERT_EQ(table.entries().size(), 400u);
    EXPECT_FLOAT_EQ(table.entries().front(), 1.0f);
    EXPECT_NEAR(table.entries().back(), 0.0f, 1e-6);
    struct Case {
        float decibels;
        float level;
    };
    const double minAmp = std::pow(10.0, -4.0);
    auto expected = [&](int index) {
        const double amp = std::pow(10.0, 0.05 * index * (-80.0 / 399.0));
        return static_cast<float>(std::sqrt((amp - minAmp) / (1.0 - minAmp)));
    };
    for (const Case& c : std::vector<Case>{
             {0.0f, 1.0f},
             {3.0f, 1.0f},
             {-80.5f, 0.0f},
             {-200.0f, 0.0f},
             {-80.0f, expected(399)},
             {-20.0f, expected(99)},  // -20 x 399 / -80 = 99.75
             {-6.0f, expected(29)},   // 29.925
             {-0.1f, expected(0)},
         }) {
        EXPECT_NEAR(table.ValueAt(c.decibels), c.level, 1e-6) << c.decibels;
    }
    EXPECT_NEAR(table.ValueAt(-20.0f), 0.3162, 0.005) << "a tenth of full scale reads about 0.32";

    for (float minimum : {0.0f, 10.0f}) {
        const MeterTable refused(minimum);
        EXPECT_FALSE(refused.isValid());
        EXPECT_EQ(refused.ValueAt(-10.0f), 0.0f);
    }
}

TEST(MicLevelImage, RoundsTiesToEvenAndCapsAtSeven) {
    struct Case {
        float level;
        int image;
    };
    for (const Case& c : std::vector<Case>{{0.0f, 0},
                                           {0.04f, 0},
                                           {0.05f, 0},  // 0.5 rounds to the even 0
                                           {0.1f, 1},
                                           {0.25f, 2},  // 2.5 rounds to the even 2
                                           {0.35f, 4},
                                           {0.64f, 6},
                                           {0.66f, 7},
                                           {0.75f, 7},  // 7.5 rounds to 8, shown as 7
                                           {1.0f, 7},
                                           {1.2f, 0},
                                           {-0.3f, 0},
                                           {std::nanf(""), 0}}) {
        EXPECT_EQ(micLevelImage(c.level), c.image) << c.level;
    }
    // Below -80 dB the meter gives 0, so the image is 0.
    EXPECT_EQ(micLevelImage(MeterTable().ValueAt(-90.0f)), 0);
}

namespace {

class RecorderTest : public TempHome {
  protected:
    std::unique_ptr<AudioInput> voice(std::size_t samples, bool paced = false) {
        const auto file = home() / ("voice" + std::to_string(serial_++) + ".wav");
        writeWav16(file, 8000, 1, rampSamples(samples));
        auto opened = FileAudioInput::open(file, FileAudioOptions{.paced = paced});
        EXPECT_TRUE(opened) << opened.error;
        return std::move(opened.input);
    }
    int serial_ = 0;
};

}  // namespace

TEST_F(RecorderTest, AStopFromTheStreamBlockReleasesTheRecorderAfterItsThreadEnded) {
    auto recorder = std::make_unique<Recorder>(voice(80000));
    std::atomic<int> buffers{0};
    std::optional<RecorderStop> stopped;
    recorder->GetAudioStreamBlock([&](std::vector<std::uint8_t>) {
        if (++buffers == 1) {
            recorder->stop();  // on the capture thread: must not wait for itself
        }
    });
    recorder->StopAudioStreamBlock([&](const RecorderStop& why) {
        EXPECT_TRUE(MainQueue::shared().isCurrent());
        stopped = why;
        recorder.reset();  // as the panel does: the recorder goes away in its stop block
    });
    ASSERT_TRUE(recorder->start());
    ASSERT_TRUE(pumpMainUntil([&] { return stopped.has_value(); }));
    EXPECT_EQ(recorder, nullptr);
    EXPECT_EQ(buffers.load(), 1);
    EXPECT_FALSE(stopped->interrupted) << "the user's stop shows level 0 again";
}

TEST_F(RecorderTest, InterruptionsAndTheEndOfInputStopItAsInterrupted) {
    struct Case {
        const char* what;
        std::size_t samples;
        bool interrupt;
    };
    for (const Case& c : std::vector<Case>{{"an interruption begins", 400000, true},
                                           {"the input ends", 6000, false}}) {
        SCOPED_TRACE(c.what);
        Recorder recorder(voice(c.samples, true));
        std::optional<RecorderStop> stopped;
        std::atomic<int> buffers{0};
        recorder.GetAudioStreamBlock([&](std::vector<std::uint8_t>) { ++buffers; });
        recorder.StopAudioStreamBlock([&](const RecorderStop& why) { stopped = why; });
        ASSERT_TRUE(recorder.start());
        EXPECT_TRUE(recorder.isRunning());
        recorder.sessionInterruption(Recorder::kInterruptionEnded);  // does nothing
        EXPECT_TRUE(recorder.isRunning());
        if (c.interrupt) {
            recorder.sessionInterruption(Recorder::kInterruptionBegan);
        }
        ASSERT_TRUE(pumpMainUntil([&] { return stopped.has_value(); }));
        EXPECT_TRUE(stopped->interrupted);
        EXPECT_FALSE(recorder.isRunning());
        EXPECT_FALSE(recorder.start()) << "it does not resume; the panel asks the computer again";
    }
}

TEST_F(RecorderTest, DestroyingARunningRecorderCallsNeitherBlockAgain) {
    std::atomic<int> after{0};
    bool stopBlockRan = false;
    {
        Recorder recorder(voice(400000, true));
        recorder.GetAudioStreamBlock([&](std::vector<std::uint8_t>) { ++after; });
        recorder.StopAudioStreamBlock([&](const RecorderStop&) { stopBlockRan = true; });
        ASSERT_TRUE(recorder.start());
    }
    const int atDestruction = after.load();
    MainQueue::shared().runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(after.load(), atDestruction);
    EXPECT_FALSE(stopBlockRan);
}

TEST_F(RecorderTest, TheLevelMeterFollowsTheRecorderAndEndsWhenItStops) {
    // Full-scale ramp: loud, so levels are well above 0.
    auto recorder = std::make_unique<Recorder>(voice(400000, true));
    std::mutex mutex;
    std::vector<float> levels;
    AQLevelMeter meter;
    meter.GetAQLevelMeterBlock([&](float level) {
        EXPECT_TRUE(MainQueue::shared().isCurrent());
        std::lock_guard lock(mutex);
        levels.push_back(level);
    });
    ASSERT_TRUE(recorder->start());
    meter.setAq(recorder->aq());
    EXPECT_EQ(meter.channelNumbers(), std::vector<int>{0});
    // Silence until the first half second arrives, then the ramp's loud level.
    ASSERT_TRUE(pumpMainUntil([&] {
        std::lock_guard lock(mutex);
        return !levels.empty() && levels.back() > 0.5f;
    }));
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(levels.front(), 0.0f);
        EXPECT_LE(levels.back(), 1.0f);
    }
    recorder->stop();
    ASSERT_TRUE(pumpMainUntil([&] { return !meter.isMetering(); }));
    std::size_t count = 0;
    {
        std::lock_guard lock(mutex);
        count = levels.size();
    }
    MainQueue::shared().runFor(std::chrono::milliseconds(100));
    std::lock_guard lock(mutex);
    EXPECT_EQ(levels.size(), count) << "no level after the recorder stopped";
}
