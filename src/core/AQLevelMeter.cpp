#include "core/AQLevelMeter.h"

#include "platform/MainQueue.h"

#include <cmath>

namespace pd {

namespace {

constexpr int kMaxChannelIndex = 127;

}  // namespace

AQLevelMeter::AQLevelMeter() : AQLevelMeter(MainQueue::shared()) {}

AQLevelMeter::AQLevelMeter(DispatchQueue& queue) : queue_(queue) {}

void AQLevelMeter::setAq(std::weak_ptr<const AudioLevelSource> aq) {
    if (!hasAq_) {
        updateTimer_ =
            std::make_unique<RepeatingTimer>(queue_, kRefreshInterval, kRefreshInterval,
                                             std::chrono::milliseconds(0), [this] { refresh(); });
        updateTimer_->start();
    }
    hasAq_ = true;
    aq_ = std::move(aq);
    if (auto source = aq_.lock()) {
        const int channels = source->channelCount();
        if (channels != static_cast<int>(channelNumbers_.size())) {
            channelNumbers_ = channels >= 2 ? std::vector<int>{0, 1} : std::vector<int>{0};
        }
    }
}

void AQLevelMeter::refresh() {
    bool delivered = false;
    std::optional<std::vector<audio::ChannelLevel>> levels;
    if (auto source = aq_.lock()) {
        levels = source->currentLevels();
    }
    if (levels) {
        for (int channel : channelNumbers_) {
            if (channel < 0 || channel >= static_cast<int>(levels->size()) ||
                channel > kMaxChannelIndex) {
                break;
            }
            const float level = meterTable_.ValueAt((*levels)[channel].averageDb);
            if (aqLevelMeterBlock_) {
                aqLevelMeterBlock_(level);
            }
            delivered = true;
        }
    }
    if (!delivered && updateTimer_) {
        // Cancelling from inside the timer's own handler is allowed; the timer object itself
        // is released later, off its handler.
        updateTimer_->cancel();
        queue_.async([timer = std::shared_ptr<RepeatingTimer>(std::move(updateTimer_))] {});
    }
}

int micLevelImage(float level) {
    // In float, as the level is: 0.35 x 10 is then exactly 3.5, a tie that goes to 4.
    const float scaled = std::nearbyint(level * 10.0f);
    if (scaled >= 1 && scaled <= 6) {
        return static_cast<int>(scaled);
    }
    if (scaled >= 7 && scaled <= 10) {
        return 7;
    }
    return 0;
}

}  // namespace pd
