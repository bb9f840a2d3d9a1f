#pragma once
// The capture folder ("ScreenCap" in the user-data folder) and the files in it: one JPEG per
// screen capture, named by the local date and time it was stored (20240303090507.jpg).

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pd {

// <user-data folder>/ScreenCap (not created).
std::filesystem::path captureFolder();

// "yyyyMMddHHmmss.jpg" of `when` in local time.
std::string captureFileName(std::time_t when);

// Writes the capture's bytes unchanged under the name of `when`, replacing a capture of the
// same second. The write is all or nothing. Returns the file's path, or empty on failure.
std::filesystem::path saveCapture(const std::filesystem::path& folder, std::string_view bytes,
                                  std::time_t when);

// Names of the entries of `folder` whose extension is exactly ".jpg", in listing order.
std::vector<std::string> listCaptureNames(const std::filesystem::path& folder);

}  // namespace pd
