#pragma once
// Display texts of the user-visible localisation keys (English).

#include <string>
#include <string_view>

namespace pd {

// The text for `key`; a key with no text gives the key itself (logged once per key).
std::string Localized(std::string_view key);

}  // namespace pd
