#pragma once
// The microphone's level meter: polls the recorder's input level on the main queue every
// 1/30 s and reports a display level from 0.0 to 1.0 through `aqLevelMeterBlock`. It stops
// polling by itself once a poll delivers nothing (the recorder has stopped or is gone).

#include "core/MeterTable.h"
#include "platform/AudioSource.h"
#include "platform/DispatchQueue.h"
#include "platform/RepeatingTimer.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace pd {

class AQLevelMeter {
  public:
    using LevelBlock = std::function<void(float)>;

    AQLevelMeter();
    // `queue` runs the polls and the level block; the main queue by default.
    explicit AQLevelMeter(DispatchQueue& queue);
    AQLevelMeter(const AQLevelMeter&) = delete;
    AQLevelMeter& operator=(const AQLevelMeter&) = delete;

    // Starts metering `aq` (the recorder's aq()); the first call starts the poll timer.
    void setAq(std::weak_ptr<const AudioLevelSource> aq);
    // One poll: the level of each reported channel, in order, to the level block.
    void refresh();
    void GetAQLevelMeterBlock(LevelBlock block) { aqLevelMeterBlock_ = std::move(block); }

    bool isMetering() const { return updateTimer_ != nullptr; }
    const std::vector<int>& channelNumbers() const { return channelNumbers_; }
    const MeterTable& meterTable() const { return meterTable_; }

    static constexpr std::chrono::milliseconds kRefreshInterval{33};  // 1/30 s

  private:
    DispatchQueue& queue_;
    bool hasAq_ = false;
    std::weak_ptr<const AudioLevelSource> aq_;
    std::vector<int> channelNumbers_{0};
    MeterTable meterTable_;
    std::unique_ptr<RepeatingTimer> updateTimer_;
    LevelBlock aqLevelMeterBlock_;
};

// The microphone section's level image for a meter level: level x 10 rounded to the nearest
// integer (ties to even); 0 to 6 show that image, 7 to 10 show image 7, anything else 0.
int micLevelImage(float level);

}  // namespace pd
