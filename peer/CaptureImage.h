#pragma once
// The peer's stand-in for a screen capture: a colour gradient that shifts with the time, with
// the time of day drawn on it, encoded as a JPEG of a few kilobytes.

#include <ctime>
#include <string>

namespace pd::peer {

class CaptureImage {
  public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 200;

    // JPEG bytes of the picture for this moment (local time); empty if encoding fails.
    static std::string render(std::time_t now, int quality = 80);
};

}  // namespace pd::peer
