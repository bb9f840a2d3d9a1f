#pragma once
// The peer's JSON event lines on stdout (after the ready line). Lines from different threads
// never interleave.

#include <nlohmann/json.hpp>

namespace pd::peer {

void printEvent(const nlohmann::ordered_json& event);

}  // namespace pd::peer
