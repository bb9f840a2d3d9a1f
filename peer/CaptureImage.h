#pragma once
// The peer's stand-in for a screen capture: a colour gradient that shifts with the time, with
// the time of day drawn on it, encoded as a JPEG of a few kilobytes.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace pd::peer {

class CaptureImage {
  public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 200;

    // JPEG bytes of the picture for this moment (local time); empty if encoding fails.
    static std::string render(std::time_t now, int quality = 80);

    // Largest file --capture-image takes: what one link frame can carry.
    static constexpr std::uintmax_t kMaxFileBytes = 32ull * 1024 * 1024 - 1024;
    // The bytes of a file to answer captures with, unchanged; nullopt when it cannot be read or
    // is larger than kMaxFileBytes.
    static std::optional<std::string> readFile(const std::filesystem::path& file);
};

}  // namespace pd::peer
