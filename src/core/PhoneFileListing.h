#pragma once
// The lines of a listing the computer receives: type, size, time and name, separated by tabs,
// each ended by CR LF. Times are milliseconds since 1970 printed without decimals.

#include "core/UserDataFolder.h"
#include "platform/Asset.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace pd {

// The two virtual folders at the root, album first; `nowUtcMs` is their time.
std::string rootListingLines(double nowUtcMs);
std::string documentsListingLine(const UserDataEntry& entry);
std::string photoListingLine(std::string_view name, std::uint64_t size, double localMs);

// Milliseconds since 1970 of `date` shifted by the local time zone's offset at that date.
double localMillisecondsOf(Asset::Date date);
double utcMillisecondsNow();

// Whether a name can stand in a listing line (tab, CR and LF would break the line).
bool fitsListingLine(std::string_view name);

}  // namespace pd
