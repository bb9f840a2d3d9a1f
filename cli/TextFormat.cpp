#include "TextFormat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace pd::cli {

namespace {

constexpr std::array<const char*, 6> kUnits = {"B", "kB", "MB", "GB", "TB", "PB"};

struct Decoded {
    char32_t code = 0;
    std::size_t length = 0;  // 0: not a well-formed sequence
};

// One UTF-8 sequence at the start of `s`: no overlongs, no surrogates, at most U+10FFFF.
Decoded decode(std::string_view s) {
    const auto b0 = static_cast<unsigned char>(s[0]);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (b0 < 0x80) {
        return {b0, 1};
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2, code = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, code = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, code = b0 & 0x07, minimum = 0x10000;
    } else {
        return {};
    }
    if (s.size() < length)
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80)
            return {};
        code = (code << 6) | (b & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {};
    return {code, length};
}

bool inRanges(char32_t c, std::initializer_list<std::pair<char32_t, char32_t>> ranges) {
    for (const auto& [lo, hi] : ranges) {
        if (c >= lo && c <= hi)
            return true;
    }
    return false;
}

int widthOf(char32_t c) {
    if (inRanges(c, {{0x0300, 0x036F},
                     {0x1AB0, 0x1AFF},
                     {0x1DC0, 0x1DFF},
                     {0x200B, 0x200F},
                     {0x20D0, 0x20FF},
                     {0xFE00, 0xFE0F},
                     {0xFE20, 0xFE2F}})) {
        return 0;
    }
    if (inRanges(c, {{0x1100, 0x115F},
                     {0x2E80, 0x303E},
                     {0x3041, 0x33FF},
                     {0x3400, 0x4DBF},
                     {0x4E00, 0x9FFF},
                     {0xA000, 0xA4CF},
                     {0xAC00, 0xD7A3},
                     {0xF900, 0xFAFF},
                     {0xFE30, 0xFE4F},
                     {0xFF00, 0xFF60},
                     {0xFFE0, 0xFFE6},
                     {0x1F300, 0x1F64F},
                     {0x1F900, 0x1F9FF},
                     {0x20000, 0x3FFFD}})) {
        return 2;
    }
    return 1;
}

bool needsEscape(char32_t c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

void appendHex(std::string& out, const char* prefix, unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%0*x", prefix, digits, value);
    out += buf;
}

}  // namespace

std::string formatSize(std::uint64_t bytes) {
    if (bytes < 1000)
        return std::to_string(bytes) + " B";
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1000.0 && unit + 1 < kUnits.size()) {
        value /= 1000.0;
        ++unit;
    }
    char buf[32];
    // Round first, so that 999.96 kB reads "1.0 MB" and 9.96 MB reads "10 MB".
    if (std::round(value * 10.0) / 10.0 < 10.0) {
        std::snprintf(buf, sizeof buf, "%.1f %s", value, kUnits[unit]);
    } else if (std::round(value) < 1000.0 || unit + 1 == kUnits.size()) {
        std::snprintf(buf, sizeof buf, "%.0f %s", value, kUnits[unit]);
    } else {
        std::snprintf(buf, sizeof buf, "1.0 %s", kUnits[unit + 1]);
    }
    return buf;
}

std::string formatRate(double bytesPerSecond) {
    if (!(bytesPerSecond >= 1.0))
        return "0 B/s";
    return formatSize(static_cast<std::uint64_t>(bytesPerSecond)) + "/s";
}

std::string formatDuration(std::chrono::seconds duration) {
    const long long total = std::max<long long>(0, duration.count());
    const long long h = total / 3600, m = total / 60 % 60, s = total % 60;
    char buf[32];
    if (h > 0) {
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", h, m, s);
    } else {
        std::snprintf(buf, sizeof buf, "%lld:%02lld", m, s);
    }
    return buf;
}

std::string visibleText(std::string_view text) {
    const bool plain = std::all_of(text.begin(), text.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return c >= 0x20 && c < 0x7F;
    });
    if (plain)
        return std::string(text);
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size();) {
        const Decoded d = decode(text.substr(i));
        if (d.length == 0) {
            appendHex(out, "\\x", static_cast<unsigned char>(text[i]), 2);
            ++i;
            continue;
        }
        if (!needsEscape(d.code)) {
            out.append(text.substr(i, d.length));
        } else if (d.code == '\n') {
            out += "\\n";
        } else if (d.code == '\t') {
            out += "\\t";
        } else if (d.code == '\r') {
            out += "\\r";
        } else if (d.code == 0x1B) {
            out += "\\e";
        } else if (d.code < 0x80) {
            appendHex(out, "\\x", static_cast<unsigned>(d.code), 2);
        } else {
            appendHex(out, "\\u", static_cast<unsigned>(d.code), 4);
        }
        i += d.length;
    }
    return out;
}

std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++width, ++i;
            continue;
        }
        const Decoded d = decode(text.substr(i));
        if (d.length == 0) {
            ++width, ++i;
            continue;
        }
        width += static_cast<std::size_t>(widthOf(d.code));
        i += d.length;
    }
    return width;
}

std::string fitToWidth(std::string_view text, std::size_t width) {
    const std::size_t have = displayWidth(text);
    std::string out;
    if (have <= width) {
        out.reserve(text.size() + width - have);
        out.append(text);
        out.append(width - have, ' ');
        return out;
    }
    if (width == 0)
        return out;
    // Keep whole characters up to one column short, then the ellipsis.
    std::size_t used = 0;
    for (std::size_t i = 0; i < text.size();) {
        const Decoded d = decode(text.substr(i));
        const std::size_t length = d.length == 0 ? 1 : d.length;
        const std::size_t w = d.length == 0 ? 1 : static_cast<std::size_t>(widthOf(d.code));
        if (used + w > width - 1)
            break;
        out.append(text.substr(i, length));
        used += w;
        i += length;
    }
    out += "…";
    out.append(width - 1 - used, ' ');
    return out;
}

void Table::reserve(std::size_t rows) {
    cells_.reserve(rows * align_.size());
    text_.reserve(rows * align_.size() * 12);
}

void Table::addRow(std::initializer_list<std::string_view> cells) {
    std::size_t c = 0;
    for (const auto cell : cells) {
        if (c++ == align_.size())
            break;
        cells_.push_back({static_cast<std::uint32_t>(text_.size()),
                          static_cast<std::uint32_t>(cell.size()),
                          static_cast<std::uint32_t>(displayWidth(cell))});
        text_.append(cell);
    }
    for (; c < align_.size(); ++c)
        cells_.push_back({static_cast<std::uint32_t>(text_.size()), 0, 0});
}

void Table::renderInto(std::string& out) const {
    renderInChunks(out, 0, nullptr);
}

void Table::renderInChunks(std::string& out, std::size_t chunk,
                           const std::function<void(std::string&)>& flush) const {
    const std::size_t columns = align_.size();
    if (columns == 0)
        return;
    std::vector<std::size_t> column(columns, 0);
    for (std::size_t i = 0; i < cells_.size(); ++i)
        column[i % columns] = std::max<std::size_t>(column[i % columns], cells_[i].width);
    // A column that is empty in every row takes no room at all.
    std::size_t last = 0;
    for (std::size_t c = 0; c < columns; ++c) {
        if (column[c] > 0)
            last = c;
    }
    const std::string_view text(text_);
    for (std::size_t row = 0; row * columns < cells_.size(); ++row) {
        const Cell* cells = &cells_[row * columns];
        // No trailing blanks: the row ends at its last non-empty cell.
        std::size_t rowLast = 0;
        for (std::size_t c = 0; c <= last; ++c) {
            if (cells[c].length > 0)
                rowLast = c;
        }
        bool first = true;
        for (std::size_t c = 0; c <= rowLast; ++c) {
            if (column[c] == 0)
                continue;
            const std::size_t pad = column[c] - cells[c].width;
            if (!first)
                out += "  ";
            first = false;
            if (align_[c] == Align::Right)
                out.append(pad, ' ');
            out.append(text.substr(cells[c].offset, cells[c].length));
            if (align_[c] == Align::Left && c != rowLast)
                out.append(pad, ' ');
        }
        out += '\n';
        if (flush && out.size() >= chunk) {
            flush(out);
        }
    }
    if (flush && !out.empty()) {
        flush(out);
    }
}

}  // namespace pd::cli
