#include "core/ListingStamp.h"

#include "core/ContentRange.h"

#include <unistd.h>

#include <fstream>

namespace pd {

std::string listingStampPath(const std::string& temporary) {
    return temporary + "\\listing";
}

std::optional<ListedFile> readListingStamp(const std::string& temporary) {
    std::ifstream in(listingStampPath(temporary));
    std::string size;
    std::string time;
    if (!(in >> size >> time)) {
        return std::nullopt;
    }
    const auto parsedSize = parseDecimal(size);
    const auto parsedTime = parseDecimal(time);
    if (!parsedSize || !parsedTime) {
        return std::nullopt;
    }
    return ListedFile{*parsedSize, *parsedTime};
}

bool writeListingStamp(const std::string& temporary, const ListedFile& listed) {
    std::ofstream out(listingStampPath(temporary), std::ios::trunc);
    out << listed.size << ' ' << listed.modifyTime << '\n';
    out.close();
    return static_cast<bool>(out);
}

void removeListingStamp(const std::string& temporary) {
    ::unlink(listingStampPath(temporary).c_str());
}

}  // namespace pd
