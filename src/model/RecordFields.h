#pragma once
// Field readers shared by the records built from the computer's arrays.

#include "codec/MsgPack.h"

#include <optional>
#include <string>

namespace pd::fields {

// Text of a raw element: nullopt when the element is not raw, an empty text when its bytes
// are not valid UTF-8.
std::optional<std::string> utf8OrEmpty(msg::View v);

// Text of a raw element: outer nullopt when the element is not raw, inner nullopt (an absent
// text) when its bytes are not valid UTF-8.
std::optional<std::optional<std::string>> utf8OrAbsent(msg::View v);

}  // namespace pd::fields
