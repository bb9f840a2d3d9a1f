#pragma once
// Room on the phone's disk for downloads. A download starts only when the file system of its
// file can hold what remains plus a margin, so a computer that announces a huge file cannot
// fill the phone, and a body of unknown length may grow only into the same free space.

#include <cstdint>
#include <optional>
#include <string>

namespace pd {

// Kept free for the rest of the phone whatever downloads ask for.
inline constexpr std::uint64_t kFreeSpaceMargin = 64ull * 1024 * 1024;

// Bytes that may still be written into the folder of `path`: its free space less the margin
// (0 when below it); nullopt when the file system cannot be asked.
std::optional<std::uint64_t> writableBytes(const std::string& path);

// Empty when `needed` more bytes fit beside `path`; otherwise a message for the user's log.
std::string roomProblem(const std::string& path, std::uint64_t needed);

}  // namespace pd
