#pragma once
// Text for people on a terminal: sizes, durations, names with their control characters made
// visible, and columns aligned by the width the terminal gives each character.

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace pd::cli {

// Decimal units, one decimal below ten: "3 B", "999 B", "1.0 kB", "2.4 MB", "24 MB".
std::string formatSize(std::uint64_t bytes);
// "2.4 MB/s"; rates below one byte per second read "0 B/s".
std::string formatRate(double bytesPerSecond);
// "0:07", "12:34", "1:02:03".
std::string formatDuration(std::chrono::seconds duration);

// The text as it must appear on a terminal: a newline as \n, a tab as \t, ESC as \e, other
// control characters, bidirectional overrides and bytes that are not UTF-8 as \xNN or \uNNNN.
// A name from the computer can then neither break a line nor drive the terminal.
std::string visibleText(std::string_view text);

// Columns a terminal uses for UTF-8 text: wide (CJK, fullwidth, emoji) characters take two,
// combining marks none. Hand-written because libc's wcwidth depends on the process locale.
std::size_t displayWidth(std::string_view text);
// Exactly `width` columns: padded with spaces, or cut with "…" when longer.
std::string fitToWidth(std::string_view text, std::size_t width);

// Rows of cells printed as aligned columns, two spaces apart; the last column is not padded.
class Table {
  public:
    enum class Align { Left, Right };
    explicit Table(std::vector<Align> columns) : align_(std::move(columns)) {}
    void reserve(std::size_t rows);
    // One cell per column; missing cells are empty. Cells are shown as given: make them
    // visible first.
    void addRow(std::initializer_list<std::string_view> cells);
    std::size_t rows() const { return align_.empty() ? 0 : cells_.size() / align_.size(); }
    // Appends the lines, each ending in '\n'.
    void renderInto(std::string& out) const;
    // The same, handing `out` to `flush` (which empties it) whenever it holds `chunk` bytes
    // and at the end, so a long table is never held twice.
    void renderInChunks(std::string& out, std::size_t chunk,
                        const std::function<void(std::string&)>& flush) const;

  private:
    struct Cell {
        std::uint32_t offset = 0, length = 0, width = 0;
    };
    std::vector<Align> align_;
    // All the text in one buffer: a large listing costs no allocation per cell.
    std::string text_;
    std::vector<Cell> cells_;  // row-major
};

}  // namespace pd::cli
