#pragma once
// A small sample disk for demos and tests: two drives and a desktop with nested folders and
// files of several types and sizes.

#include <filesystem>

namespace pd::peer {

// Fills `root` (created if missing); false when a file cannot be written.
bool writeSampleDisk(const std::filesystem::path& root);

}  // namespace pd::peer
