#pragma once
// Whole-file reads and crash-safe whole-file writes for the small state files of the app
// (user defaults, keychain, vendor id). A reader sees the old file or the new one, never a mix.

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pd {

// Writes `bytes` to a new file in the same folder (created with `mode`, never wider), flushes
// it to disk, renames it over `file` and flushes the folder. The folder must exist. False on
// any failure; `file` is then untouched and the temporary file is removed.
[[nodiscard]] bool writeFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                                       mode_t mode);

// The file's bytes; nullopt if it cannot be read or is larger than `maxBytes`.
std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::size_t maxBytes);

// Renames a file that cannot be used to "<name>.damaged-<unix time>" (with a counter if that
// exists) so that it is kept for inspection; returns the new path, or nullopt if renaming failed.
std::optional<std::filesystem::path> setFileAside(const std::filesystem::path& file);

}  // namespace pd
