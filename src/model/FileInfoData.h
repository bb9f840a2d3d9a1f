#pragma once
// One entry of a folder listing from the computer, as the link engine keeps it.

#include "codec/MsgPack.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pd {

struct FileInfoData {
    // 0 file, 1 folder; in the root listing 1 desktop, 2 system drive, 3 other drive.
    std::int32_t isDir = 0;
    std::int32_t classify = 0;  // carried as the computer reports it, never interpreted
    std::string name;           // entry name; a drive or desktop path in the root listing
    std::uint64_t size = 0;
    std::uint64_t modifyTime = 0;  // Windows FILETIME
    std::string desc;

    // From a list element [name, isDir, size, modifyTime, desc, classify]. nullopt unless the
    // array has exactly six elements of those types; texts that are not UTF-8 become empty.
    static std::optional<FileInfoData> FileInfoWifhArr(msg::View arr);

    bool operator==(const FileInfoData&) const = default;
};

}  // namespace pd
