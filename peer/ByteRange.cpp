#include "ByteRange.h"

#include <limits>
#include <optional>

namespace pd::peer {

namespace {

constexpr std::uint64_t kHuge = std::numeric_limits<std::uint64_t>::max();

void skipSpaces(std::string_view& s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
}

// Leading decimal digits; a value too large for 64 bits saturates (it lies beyond any file).
std::optional<std::uint64_t> takeNumber(std::string_view& s) {
    if (s.empty() || s.front() < '0' || s.front() > '9') {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
        auto digit = static_cast<std::uint64_t>(s.front() - '0');
        value = value > (kHuge - digit) / 10 ? kHuge : value * 10 + digit;
        s.remove_prefix(1);
    }
    return value;
}

}  // namespace

ByteRange ByteRange::parse(std::string_view header, std::uint64_t total) {
    const ByteRange whole;
    skipSpaces(header);
    constexpr std::string_view unit = "bytes=";
    if (header.substr(0, unit.size()) != unit) {
        return whole;
    }
    std::string_view s = header.substr(unit.size());
    skipSpaces(s);
    std::optional<std::uint64_t> first = takeNumber(s);
    skipSpaces(s);
    if (s.empty() || s.front() != '-') {
        return whole;
    }
    s.remove_prefix(1);
    skipSpaces(s);
    std::optional<std::uint64_t> last = takeNumber(s);
    skipSpaces(s);
    if (!s.empty() || (!first && !last) || (first && last && *last < *first)) {
        return whole;  // several ranges, trailing junk, "bytes=-" or a reversed range
    }
    ByteRange out{Kind::Unsatisfiable, 0, 0};
    if (!first) {  // suffix: the last N bytes
        if (*last == 0 || total == 0) {
            return out;
        }
        out.kind = Kind::Part;
        out.first = *last >= total ? 0 : total - *last;
        out.last = total - 1;
        return out;
    }
    if (*first >= total) {
        return out;
    }
    out.kind = Kind::Part;
    out.first = *first;
    out.last = last && *last < total ? *last : total - 1;
    return out;
}

std::string ByteRange::contentRange(std::uint64_t total) const {
    if (kind == Kind::Part) {
        return "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
               std::to_string(total);
    }
    return "bytes */" + std::to_string(total);
}

}  // namespace pd::peer
