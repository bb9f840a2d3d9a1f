#pragma once
// The listing a temporary download file was begun with, kept beside it, so that a resume can
// tell whether the computer's file is still the one whose first bytes the file holds. The
// stamp's name ends in "\listing": a backslash separates folders on the computer, so no name
// of a downloaded file contains one and no temporary file can be mistaken for a stamp.

#include "NetWork/HttpDownloader.h"

#include <optional>
#include <string>

namespace pd {

std::string listingStampPath(const std::string& temporary);
// Nullopt when there is no stamp or it cannot be read.
std::optional<ListedFile> readListingStamp(const std::string& temporary);
bool writeListingStamp(const std::string& temporary, const ListedFile& listed);
void removeListingStamp(const std::string& temporary);

}  // namespace pd
