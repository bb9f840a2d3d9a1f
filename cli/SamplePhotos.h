#pragma once
// Small real pictures for the demo's photo library.

#include <filesystem>

namespace pd::cli {

// Writes `count` JPEG pictures of a few kilobytes into `folder` (IMG_0001.JPG, ...), each a
// different colour gradient; false if one could not be written.
bool writeSamplePhotos(const std::filesystem::path& folder, int count);

}  // namespace pd::cli
