#pragma once
// One entry of a listing of a phone-side folder.

#include <cstdint>
#include <string>

namespace pd {

struct FileObject {
    std::string fileName;  // last path component
    // Milliseconds since 1970 of the modification time shifted into the local time zone. Held
    // in double precision: a float would round present-day values by up to a minute.
    double modifyTime = 0;
    std::int64_t fileSize = 0;  // 0 when the size cannot be read

    bool operator==(const FileObject&) const = default;
};

}  // namespace pd
