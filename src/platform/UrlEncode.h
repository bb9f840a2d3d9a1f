#pragma once
// Percent-escaping of texts: every UTF-8 byte except A-Z, a-z, 0-9, "-", "_", "." and "~"
// becomes "%" and two upper-case hexadecimal digits.

#include <optional>
#include <string>
#include <string_view>

namespace pd {

class UrlEncode {
  public:
    static std::string encodeToPercentEscapeString(std::string_view text);
    // "+" becomes a space, then the escapes are decoded. nullopt when an escape is malformed or
    // the decoded bytes are not UTF-8.
    static std::optional<std::string> decodeFromPercentEscapeString(std::string_view text);
};

}  // namespace pd
