#pragma once
// One member folder of a user file class, as the link engine keeps it.

#include "codec/MsgPack.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pd {

struct FileClassifyData {
    std::int32_t isDir = 0;
    std::string name;  // the folder's full path on the computer
    std::uint64_t size = 0;
    std::uint64_t modifyTime = 0;  // Windows FILETIME

    // From a six-element class entry [name, isDir, size, modifyTime, -, -]; elements 4 and 5
    // are not read. nullopt for another element count or a wrong element type.
    static std::optional<FileClassifyData> FileClassifyWifhArr(msg::View arr);

    bool operator==(const FileClassifyData&) const = default;
};

}  // namespace pd
