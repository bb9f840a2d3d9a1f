#pragma once
// The default representation of a photo-library asset: the file's bytes as the library keeps
// them. Reads go straight to the file in caller-sized pieces; nothing is held in memory.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <system_error>

namespace pd {

// What one read gave: `count` bytes at the start of the buffer. Fewer than asked (even 0) at
// the end of the file; `error` set when the file could not be read at all.
struct AssetByteRead {
    std::size_t count = 0;
    std::error_code error;
};

class AssetRepresentation {
  public:
    // Takes the size of `file` now; it is unavailable when the file is gone or not readable.
    AssetRepresentation(std::string url, std::string filename, std::filesystem::path file);

    const std::string& url() const { return url_; }
    // The name under which the library keeps the file, extension included.
    const std::string& filename() const { return filename_; }
    // Size in bytes; nullopt is the marker that the size is not available.
    std::optional<std::uint64_t> size() const { return size_; }

    // Reads up to buffer.size() bytes from `offset`. Never follows a link put in the file's
    // place after the lookup.
    AssetByteRead getBytes(std::span<std::uint8_t> buffer, std::uint64_t offset) const;

  private:
    std::string url_;
    std::string filename_;
    std::filesystem::path file_;
    std::optional<std::uint64_t> size_;
};

}  // namespace pd
