#pragma once
// One photo the computer confirmed it has stored: the backup ledger of each computer, so
// that a shake sends only what that computer does not have yet.

#include <cstdint>
#include <string>

namespace pd {

struct PhotoBakList {
    // The record's identity in the store, given on insert; the store owns it.
    std::int64_t rowId = 0;
    std::string deviceTag;  // the computer that stored the photo
    std::string assetUrl;   // the photo-library asset URL
    std::uint64_t fileSize = 0;
    double backTime = 0;  // when the computer confirmed it, seconds since 1970

    bool operator==(const PhotoBakList&) const = default;
};

}  // namespace pd
