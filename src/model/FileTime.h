#pragma once
// The computer's file times: Windows FILETIME, 100-nanosecond intervals since 1601-01-01 UTC.

#include <cstdint>

namespace pd {

inline constexpr std::uint64_t kFileTimeTicksPerSecond = 10'000'000;
inline constexpr std::int64_t kFileTimeEpochToUnixSeconds = 11'644'473'600;

// Whole seconds since 1970-01-01 UTC (negative before 1970); sub-second ticks are dropped.
std::int64_t fileTimeToUnixSeconds(std::uint64_t fileTime);

}  // namespace pd
