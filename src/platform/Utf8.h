#pragma once
// UTF-8 validation for texts that arrive as raw bytes from the computer.

#include <string_view>

namespace pd {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view bytes);

}  // namespace pd
