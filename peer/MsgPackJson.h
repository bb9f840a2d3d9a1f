#pragma once
// A decoded MessagePack value as JSON, for logs a developer reads: raw values become text when
// they are valid UTF-8 and {"hex": "..."} otherwise; maps with text keys become objects.

#include "codec/MsgPack.h"

#include <nlohmann/json.hpp>

namespace pd::peer {

nlohmann::json toJson(msg::View value);

}  // namespace pd::peer
