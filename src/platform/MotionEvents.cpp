#include "platform/MotionEvents.h"

#include <vector>

namespace pd {

MotionEvents& MotionEvents::shared() {
    static MotionEvents* const events = new MotionEvents();
    return *events;
}

MotionEvents::Token MotionEvents::addObserver(Observer observer) {
    std::lock_guard lock(mutex_);
    const Token token = nextToken_++;
    observers_.emplace(token, std::move(observer));
    return token;
}

void MotionEvents::removeObserver(Token token) {
    std::lock_guard lock(mutex_);
    observers_.erase(token);
}

void MotionEvents::motionBegan(MotionType type) {
    report(MotionPhase::Began, type);
}

void MotionEvents::motionEnded(MotionType type) {
    report(MotionPhase::Ended, type);
}

void MotionEvents::report(MotionPhase phase, MotionType type) {
    // Copied out and called without the lock, so an observer may add or remove observers.
    std::vector<std::pair<Token, Observer>> snapshot;
    {
        std::lock_guard lock(mutex_);
        snapshot.assign(observers_.begin(), observers_.end());
    }
    for (const auto& [token, observer] : snapshot) {
        bool stillThere = false;
        {
            std::lock_guard lock(mutex_);
            stillThere = observers_.contains(token);
        }
        if (stillThere && observer) {
            observer(phase, type);
        }
    }
}

}  // namespace pd
