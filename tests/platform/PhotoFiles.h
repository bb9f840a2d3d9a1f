#pragma once
// Small real picture files for photo-library tests.

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace pd::test {

// An 8x8 JPEG; with an EXIF block carrying the given DateTime and DateTimeOriginal texts
// ("YYYY:MM:DD HH:MM:SS") when either is set.
std::string jpegBytes(const std::optional<std::string>& dateTime = std::nullopt,
                      const std::optional<std::string>& dateTimeOriginal = std::nullopt);
std::string pngBytes();

void writeBytes(const std::filesystem::path& file, const std::string& bytes);
void setModificationTime(const std::filesystem::path& file, std::time_t when);
// Seconds since 1970 of a local wall-clock time.
std::time_t localTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace pd::test
