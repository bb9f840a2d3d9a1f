#include "platform/MotionEvents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pd {
namespace {

TEST(MotionEvents, ObserversHearBeginningsAndEndsInOrderUntilRemoved) {
    MotionEvents events;
    std::vector<std::string> heard;
    const auto record = [&](const char* who) {
        return [&heard, who](MotionPhase phase, MotionType type) {
            heard.push_back(std::string(who) + (phase == MotionPhase::Began ? " began" : " ended") +
                            (type == MotionType::Shake ? " shake" : " other"));
        };
    };
    const auto first = events.addObserver(record("first"));
    MotionEvents::Token second = 0;
    // Added before the second observer, this one removes it during the end of a motion: the
    // second is not called for that end any more.
    const auto remover = events.addObserver([&](MotionPhase phase, MotionType) {
        if (phase == MotionPhase::Ended) {
            events.removeObserver(second);
        }
    });
    second = events.addObserver(record("second"));
    EXPECT_NE(first, 0u);

    events.motionBegan(MotionType::Shake);
    events.motionEnded(MotionType::None);
    events.removeObserver(first);
    events.removeObserver(remover);
    events.motionEnded(MotionType::Shake);

    EXPECT_EQ(heard, (std::vector<std::string>{"first began shake", "second began shake",
                                               "first ended other"}));
}

}  // namespace
}  // namespace pd
