// Telling a shake from accelerometer readings.

#include "ShakeGesture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pd::gui {
namespace {

struct Reading {
    double x, y, z;
    std::uint64_t ms;
};

// Feeds the readings; one letter per reading: '.' nothing, 'B' began, 'E' ended.
std::string phases(const std::vector<Reading>& readings) {
    ShakeGesture gesture;
    std::string out;
    for (const Reading& r : readings) {
        const auto phase = gesture.feed(r.x, r.y, r.z, r.ms * 1000);
        out += !phase ? '.' : *phase == MotionPhase::Began ? 'B' : 'E';
    }
    return out;
}

constexpr double g = 9.81;

TEST(ShakeGesture, BeginsAfterJoltsCloseTogetherAndEndsWhenTheyStop) {
    const struct {
        const char* what;
        std::vector<Reading> readings;
        std::string expected;
    } cases[] = {
        {"a phone lying still", {{0, 0, g, 0}, {0, 0, g, 100}, {0, 0, g, 2000}}, "..."},
        {"three jolts, then quiet",
         {{25, 0, g, 0}, {-25, 0, g, 100}, {25, 0, g, 200}, {0, 0, g, 500}, {0, 0, g, 900}},
         "..B.E"},
        {"free fall counts as a jolt", {{0, 0, 0, 0}, {0, 0, 0, 50}, {0, 0, 0, 100}}, "..B"},
        {"jolts too far apart", {{25, 0, g, 0}, {25, 0, g, 1000}, {25, 0, g, 2000}}, "..."},
        {"a pause between jolts starts the count again",
         {{25, 0, g, 0},
          {25, 0, g, 100},
          {0, 0, g, 700},
          {25, 0, g, 800},
          {25, 0, g, 900},
          {25, 0, g, 1000}},
         ".....B"},
        {"a long shake begins once",
         {{25, 0, g, 0},
          {25, 0, g, 100},
          {25, 0, g, 200},
          {25, 0, g, 300},
          {25, 0, g, 400},
          {0, 0, g, 1100}},
         "..B..E"},
        {"a clock that goes back ends the shake",
         {{25, 0, g, 5000}, {25, 0, g, 5100}, {25, 0, g, 5200}, {0, 0, g, 10}},
         "..BE"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(phases(c.readings), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace pd::gui
