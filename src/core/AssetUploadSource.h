#pragma once
// A photo-library asset as an upload: its default representation, read in the sender's
// pieces straight from the library's file, so an item is never held whole in memory.

#include "NetWork/UploadSource.h"
#include "platform/Asset.h"

#include <memory>

namespace pd {

// nullptr when the representation's size is not available.
std::shared_ptr<UploadSource> makeAssetUploadSource(const Asset& asset);

}  // namespace pd
