#pragma once
// The gamepad's direction pad: its area is a three-by-three grid and it reports the cell the
// finger is in (column * 3 + row, x to the right and y downwards in the pad's own
// coordinates; 4 is the centre and any point outside the pad).

#include <cstdint>

namespace pd {

class GameHandleDirection;

class GameHandleDirectionDelegate {
  public:
    virtual ~GameHandleDirectionDelegate() = default;
    // The finger entered a new cell (any cell, 4 included).
    virtual void didPressDirection(GameHandleDirection& /*pad*/, std::uint64_t /*cell*/) {}
    // The touch ended or was cancelled.
    virtual void GameHandleDidReleaseDirection(GameHandleDirection& /*pad*/) {}
};

class GameHandleDirection {
  public:
    static constexpr std::uint64_t kCentre = 4;

    // The cell of a point on a pad of width w and height h. A pad without area (a view not
    // laid out yet) has only the centre.
    static std::uint64_t directionForPoint(double x, double y, double w, double h);

    // Not owned; must outlive the pad or be cleared.
    void setDelegate(GameHandleDirectionDelegate* delegate) { delegate_ = delegate; }

    // A touch began or moved to (x, y) on a pad of width w and height h.
    void touchMoved(double x, double y, double w, double h);
    void touchBegan(double x, double y, double w, double h) { touchMoved(x, y, w, h); }
    void touchEnded();
    void touchCancelled() { touchEnded(); }

    std::uint64_t currentDirection() const { return currentDirection_; }

  private:
    std::uint64_t currentDirection_ = kCentre;
    GameHandleDirectionDelegate* delegate_ = nullptr;
};

}  // namespace pd
