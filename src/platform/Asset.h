#pragma once
// One asset of the photo library: a file of the library folder, with the facts read from it
// when it was found. An immutable value, safe to copy and to share between threads.

#include "platform/AssetRepresentation.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace pd {

enum class AssetType { Photo, Other };

class Asset {
  public:
    using Date = std::chrono::system_clock::time_point;

    // Reads the asset of the regular file `file`, known in the library as `relativePath`.
    // nullopt when it is not a regular file or cannot be opened.
    static std::optional<Asset> fromFile(const std::filesystem::path& file,
                                         const std::string& relativePath);

    // Photo when the content is a picture, whatever the extension says.
    AssetType type() const { return type_; }
    bool isPhoto() const { return type_ == AssetType::Photo; }
    // Stable URL; the URL of the default representation is the same.
    const std::string& url() const { return url_; }
    const std::string& fileName() const { return fileName_; }
    // EXIF DateTimeOriginal, else EXIF DateTime, else the file's modification time.
    Date date() const { return date_; }
    const std::filesystem::path& path() const { return path_; }

    // Takes the file's size at the time of the call.
    AssetRepresentation defaultRepresentation() const;

  private:
    Asset() = default;

    AssetType type_ = AssetType::Other;
    std::string url_;
    std::string fileName_;
    Date date_;
    std::filesystem::path path_;
};

}  // namespace pd
