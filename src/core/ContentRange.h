#pragma once
// Parsers for the size headers of an HTTP response. Every number is checked: digits only, no
// sign, no overflow of 64 bits. Anything else is "not understood" (nullopt), never a guess.

#include <cstdint>
#include <optional>
#include <string_view>

namespace pd {

// "bytes <first>-<last>/<complete>" of a 206 answer.
struct ContentRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    std::uint64_t complete = 0;
};

// Must begin with "bytes" and split at ' ', '-' and '/' into exactly four parts: "bytes",
// first byte, last byte, complete length; first <= last < complete.
std::optional<ContentRange> parseContentRange(std::string_view value);

// The complete length of a 416 answer: "bytes */<complete>".
std::optional<std::uint64_t> parseUnsatisfiedRange(std::string_view value);

// A Content-Length value.
std::optional<std::uint64_t> parseContentLength(std::string_view value);

// A plain decimal number of at most 20 digits that fits 64 bits.
std::optional<std::uint64_t> parseDecimal(std::string_view digits);

}  // namespace pd
