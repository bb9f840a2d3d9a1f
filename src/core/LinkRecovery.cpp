#include "core/LinkRecovery.h"

#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <algorithm>

namespace pd {

std::chrono::milliseconds LinkRecovery::standardDelay(int attempt) {
    const int doublings = std::clamp(attempt - 1, 0, 4);
    return std::chrono::milliseconds(500) * (1 << doublings);
}

void LinkRecovery::begin(std::string pcName) {
    pcName_ = std::move(pcName);
    active_ = true;
    attempt_ = 0;
    ++round_;
    PD_LOG_INFO("the link to {} dropped; restoring it", pcName_);
    scheduleNext();
}

void LinkRecovery::scheduleNext() {
    if (attempt_ >= kMaxAttempts) {
        giveUp("the computer did not come back");
        return;
    }
    ++attempt_;
    report(LinkRecoveryState::Phase::Reconnecting);
    const auto delay = hooks_.delayBefore ? hooks_.delayBefore(attempt_) : standardDelay(attempt_);
    const std::uint64_t round = ++round_;
    MainQueue::shared().after(delay, [this, round, alive = std::weak_ptr<int>(alive_)] {
        if (!alive.lock() || round != round_ || !active_) {
            return;
        }
        PD_LOG_INFO("reconnecting to {}: attempt {}", pcName_, attempt_);
        if (searchesBefore(attempt_) && hooks_.search) {
            hooks_.search([this, round, alive] {
                if (alive.lock() && round == round_ && active_ && hooks_.connect) {
                    hooks_.connect();
                }
            });
        } else if (hooks_.connect) {
            hooks_.connect();
        }
    });
}

void LinkRecovery::attemptFailed() {
    if (active_) {
        scheduleNext();
    }
}

void LinkRecovery::succeeded(std::string detail) {
    if (!active_) {
        return;
    }
    active_ = false;
    ++round_;
    PD_LOG_INFO("the link to {} is restored after {} attempts", pcName_, attempt_);
    report(LinkRecoveryState::Phase::Restored, std::move(detail));
}

void LinkRecovery::giveUp(std::string why) {
    if (!active_) {
        return;
    }
    active_ = false;
    ++round_;
    PD_LOG_WARN("the link to {} could not be restored: {}", pcName_, why);
    report(LinkRecoveryState::Phase::GaveUp, std::move(why));
    if (hooks_.gaveUp) {
        hooks_.gaveUp();
    }
}

void LinkRecovery::cancel() {
    active_ = false;
    ++round_;
}

void LinkRecovery::report(LinkRecoveryState::Phase phase, std::string detail) {
    if (hooks_.report) {
        hooks_.report(LinkRecoveryState{phase, attempt_, pcName_, std::move(detail)});
    }
}

}  // namespace pd
