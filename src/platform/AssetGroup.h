#pragma once
// A group of the photo library: the camera roll (the library folder itself) or an album (one
// of its subfolders).

#include <string>

namespace pd {

struct AssetGroup {
    std::string name;    // "Camera Roll", or the album folder's name
    std::string folder;  // "" for the camera roll, else the album folder's name
    bool bCameraRoll = false;

    bool operator==(const AssetGroup&) const = default;
};

}  // namespace pd
