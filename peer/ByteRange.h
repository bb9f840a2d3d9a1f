#pragma once
// The Range header of a file request, read against the file's size. One range of the forms
// "bytes=N-", "bytes=N-M" and "bytes=-N" (the last N bytes) is served; anything else (several
// ranges, other units, bad syntax) is ignored and the whole file is sent, as HTTP allows.

#include <cstdint>
#include <string>
#include <string_view>

namespace pd::peer {

struct ByteRange {
    enum class Kind {
        Whole,          // no usable Range header: 200 and the whole file
        Part,           // 206 with bytes first..last (inclusive)
        Unsatisfiable,  // 416: the range starts at or beyond the end (or the file is empty)
    };
    Kind kind = Kind::Whole;
    std::uint64_t first = 0;
    std::uint64_t last = 0;

    std::uint64_t length() const { return last - first + 1; }

    static ByteRange parse(std::string_view header, std::uint64_t total);
    // "bytes first-last/total" for a part, "bytes */total" for an unsatisfiable range.
    std::string contentRange(std::uint64_t total) const;
};

}  // namespace pd::peer
