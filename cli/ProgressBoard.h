#pragma once
// Download progress on a terminal: one line per file, redrawn in place, showing bytes, speed
// and the time left. Lines are drawn on stderr only when it is a terminal.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pd::cli {

// One progress line, `nameWidth` columns of name then the bar and figures. `total` 0 means the
// size is not known yet; `bytesPerSecond` 0 means no speed yet.
std::string progressLine(std::string_view name, std::size_t nameWidth, std::uint64_t received,
                         std::uint64_t total, double bytesPerSecond, bool done);

class ProgressBoard {
  public:
    using Clock = std::chrono::steady_clock;

    // Draws nothing unless `enabled` (stderr is a terminal and the output is for people).
    explicit ProgressBoard(bool enabled);

    // A new line for a file (its visible name); returns its index.
    std::size_t add(std::string name);
    void update(std::size_t line, std::uint64_t received, std::uint64_t total);
    // The file is whole: its line shows 100%.
    void complete(std::size_t line);
    // Redraws every line in place.
    void draw();
    // Draws a last time and leaves the cursor below the lines.
    void end();

  private:
    struct Line {
        std::string name;
        std::uint64_t received = 0, total = 0;
        std::uint64_t firstReceived = 0;  // a resumed download starts part-way
        Clock::time_point firstSeen{};
        bool seen = false, done = false;
        double rate = 0;
    };

    bool enabled_;
    std::size_t columns_;
    std::size_t drawn_ = 0;  // lines on screen, the cursor is below them
    std::vector<Line> lines_;
};

}  // namespace pd::cli
