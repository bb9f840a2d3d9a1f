#pragma once
// A photo-library asset as an upload: its default representation, read in the sender's
// pieces straight from the library, so an item is never held whole in memory.

#include "NetWork/UploadSource.h"
#include "platform/AssetRepresentation.h"

#include <memory>

namespace pd {

// nullptr when the representation's size is not available.
std::shared_ptr<UploadSource> makeAssetUploadSource(AssetRepresentation representation);

}  // namespace pd
