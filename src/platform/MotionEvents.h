#pragma once
// Motion events of the device: a front-end reports the start and end of a motion (the
// terminal's "backup --all" as a shake, a GUI from a sensor) and observers hear of them on the
// reporting thread, in the order they were added.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace pd {

enum class MotionType { None, Shake };
enum class MotionPhase { Began, Ended };

class MotionEvents {
  public:
    using Observer = std::function<void(MotionPhase phase, MotionType type)>;
    // 0 is never a valid token.
    using Token = std::uint64_t;

    // Process-wide; created once and never destroyed.
    static MotionEvents& shared();

    Token addObserver(Observer observer);
    // After this returns the observer is not called again (a call already under way on
    // another thread may still finish).
    void removeObserver(Token token);

    void motionBegan(MotionType type);
    void motionEnded(MotionType type);

  private:
    void report(MotionPhase phase, MotionType type);

    std::mutex mutex_;
    Token nextToken_ = 1;
    std::map<Token, Observer> observers_;
};

}  // namespace pd
