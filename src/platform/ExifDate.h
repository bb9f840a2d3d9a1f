#pragma once
// Capture dates recorded in the EXIF block of a picture file.

#include <cstdio>
#include <ctime>
#include <optional>
#include <string_view>

namespace pd {

// Seconds since 1970 of an EXIF date text "YYYY:MM:DD HH:MM:SS" (trailing NULs or blanks
// allowed). EXIF dates carry no zone: they are read as local time, as the camera wrote them.
// nullopt for blank, zero ("0000:00:00 00:00:00") or malformed texts.
std::optional<std::time_t> parseExifDateTime(std::string_view text);

// DateTimeOriginal, else DateTime, from the EXIF block of the open file, read from its current
// position. Reads at most the block itself (and never more than kMaxExifScanBytes).
std::optional<std::time_t> readExifDate(std::FILE* file);

inline constexpr std::size_t kMaxExifScanBytes = 256 * 1024;

}  // namespace pd
