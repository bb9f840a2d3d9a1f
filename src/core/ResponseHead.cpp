#include "core/ResponseHead.h"

#include "core/ContentRange.h"

#include <algorithm>
#include <cctype>

namespace pd {

namespace {

std::string_view withoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    return line;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// "HTTP/1.1 206 Partial Content" or "HTTP/2 200": the three digits after the first space.
long statusOf(std::string_view line) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4) {
        return 0;
    }
    const auto code = parseDecimal(line.substr(space + 1, 3));
    return code ? static_cast<long>(*code) : 0;
}

}  // namespace

void ResponseHead::reset() {
    status_ = 0;
    contentRange_.reset();
    contentLength_.reset();
}

bool ResponseHead::feed(std::string_view line) {
    line = withoutLineEnd(line);
    if (line.starts_with("HTTP/")) {
        reset();
        status_ = statusOf(line);
        return false;
    }
    if (line.empty()) {
        // A block without a status line is no response we understand: report it as status 0.
        return status_ < 100 || status_ >= 200;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    const std::string_view name = trimmed(line.substr(0, colon));
    const std::string_view value = trimmed(line.substr(colon + 1));
    std::optional<std::string>* slot = nullptr;
    if (sameName(name, "Content-Range")) {
        slot = &contentRange_;
    } else if (sameName(name, "Content-Length")) {
        slot = &contentLength_;
    }
    if (slot != nullptr) {
        if (value.size() <= kMaxValueLength) {
            *slot = std::string(value);
        } else {
            slot->reset();
        }
    }
    return false;
}

}  // namespace pd
