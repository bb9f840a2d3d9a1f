#pragma once
// A photo of the album as an upload source: its default representation, read in pieces.

#include "NetWork/UploadSource.h"
#include "platform/Asset.h"

#include <memory>

namespace pd {

// nullptr when the photo's size is unavailable or zero (there is nothing to send).
std::shared_ptr<UploadSource> openAlbumPhotoSource(const Asset& photo);

}  // namespace pd
