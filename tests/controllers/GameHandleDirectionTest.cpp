// The direction pad's three-by-three grid and the events it reports.

#include "controllers/GameHandleDirection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace pd::test {
namespace {

TEST(GameHandleDirection, EveryPointFallsInOneCell) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double x, y, w, h;
        std::uint64_t cell;
    };
    const Case cases[] = {
        // Cell = column * 3 + row on a 300 x 150 pad.
        {0, 0, 300, 150, 0},
        {50, 75, 300, 150, 1},
        {50, 149, 300, 150, 2},
        {150, 10, 300, 150, 3},
        {150, 75, 300, 150, 4},
        {150, 140, 300, 150, 5},
        {250, 0, 300, 150, 6},
        {250, 75, 300, 150, 7},
        {299, 149, 300, 150, 8},
        // Boundaries between thirds belong to the next third; the far edges to the last.
        {100, 50, 300, 150, 4},
        {99.999, 49.999, 300, 150, 0},
        {300, 75, 300, 150, 7},
        {150, 150, 300, 150, 5},
        {300, 150, 300, 150, 8},
        // Outside the pad: the centre.
        {-0.1, 75, 300, 150, 4},
        {300.1, 75, 300, 150, 4},
        {150, -1, 300, 150, 4},
        {150, 151, 300, 150, 4},
        // A pad without area, or a point that is not a number: the centre, never a division.
        {0, 0, 0, 0, 4},
        {10, 10, 0, 150, 4},
        {10, 10, 300, 0, 4},
        {-5, -5, -10, -10, 4},
        {nan, 10, 300, 150, 4},
        {10, 10, nan, 150, 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GameHandleDirection::directionForPoint(c.x, c.y, c.w, c.h), c.cell)
            << c.x << "," << c.y << " on " << c.w << "x" << c.h;
    }
}

struct RecordingDelegate : GameHandleDirectionDelegate {
    std::vector<std::string> events;
    void didPressDirection(GameHandleDirection&, std::uint64_t cell) override {
        events.push_back(std::to_string(cell));
    }
    void GameHandleDidReleaseDirection(GameHandleDirection&) override {
        events.push_back("release");
    }
};

TEST(GameHandleDirection, ReportsOnlyCellChangesAndTheRelease) {
    GameHandleDirection pad;
    RecordingDelegate delegate;
    pad.setDelegate(&delegate);
    pad.touchBegan(250, 75, 300, 150);  // 7
    pad.touchMoved(260, 80, 300, 150);  // still 7
    pad.touchMoved(150, 75, 300, 150);  // 4
    pad.touchMoved(500, 75, 300, 150);  // outside: still 4
    pad.touchMoved(150, 140, 300, 150);
    EXPECT_EQ(pad.currentDirection(), 5u);
    pad.touchCancelled();
    EXPECT_EQ(pad.currentDirection(), 4u);
    // A touch in the centre after a release reports nothing until it leaves the centre.
    pad.touchBegan(150, 75, 300, 150);
    pad.touchEnded();
    EXPECT_EQ(delegate.events, (std::vector<std::string>{"7", "4", "5", "release", "release"}));
}

}  // namespace
}  // namespace pd::test
