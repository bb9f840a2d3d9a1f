#include "core/ContentRange.h"

#include <charconv>
#include <string>
#include <vector>

namespace pd {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
        s.remove_suffix(1);
    }
    return s;
}

// Splits at every one of the separator characters, keeping empty parts, so that a doubled
// separator makes the part count wrong instead of being skipped.
std::vector<std::string_view> splitAtAny(std::string_view s, std::string_view separators) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (separators.find(s[i]) != std::string_view::npos) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(s.substr(start));
    return parts;
}

}  // namespace

std::optional<std::uint64_t> parseDecimal(std::string_view digits) {
    if (digits.empty() || digits.size() > 20) {
        return std::nullopt;
    }
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;  // out of range
    }
    return value;
}

std::optional<ContentRange> parseContentRange(std::string_view value) {
    value = trimmed(value);
    if (!value.starts_with("bytes")) {
        return std::nullopt;
    }
    const std::vector<std::string_view> parts = splitAtAny(value, " -/");
    if (parts.size() != 4 || parts[0] != "bytes") {
        return std::nullopt;
    }
    const auto first = parseDecimal(parts[1]);
    const auto last = parseDecimal(parts[2]);
    const auto complete = parseDecimal(parts[3]);
    if (!first || !last || !complete || *first > *last || *last >= *complete) {
        return std::nullopt;
    }
    return ContentRange{*first, *last, *complete};
}

std::optional<std::uint64_t> parseUnsatisfiedRange(std::string_view value) {
    value = trimmed(value);
    constexpr std::string_view prefix = "bytes */";
    if (!value.starts_with(prefix)) {
        return std::nullopt;
    }
    return parseDecimal(value.substr(prefix.size()));
}

std::optional<std::uint64_t> parseContentLength(std::string_view value) {
    return parseDecimal(trimmed(value));
}

}  // namespace pd
