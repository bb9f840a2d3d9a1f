#pragma once
// The relative time label of a capture ("just now", "30 seconds ago", "Today 09:05"...), from
// the 14-digit local time stamp that starts its file name.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace pd {

// The time of a "yyyyMMddHHmmss" stamp at the start of `name`, in local time. Only 14 leading
// ASCII digits that make a real date count; anything else gives nullopt.
std::optional<std::time_t> parseCaptureStamp(std::string_view name);

// The label of the capture named `name` seen at `now`. A name without a stamp counts as stamped
// at the start of 1970, as if it were very old.
std::string friendlyTime(std::string_view name, std::time_t now);

}  // namespace pd
