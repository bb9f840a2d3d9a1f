#pragma once
// A row of the file browser: a folder-listing entry or a class member, with a display name.

#include "model/FileClassifyData.h"
#include "model/FileInfoData.h"

#include <cstdint>
#include <string>

namespace pd {

struct DirAndFileListData {
    std::int32_t isDir = 0;
    std::int32_t classify = 0;
    std::string name;  // forward slashes, no trailing slash (see rowNameFromComputerPath)
    std::uint64_t size = 0;
    std::uint64_t modifyTime = 0;  // Windows FILETIME
    std::string desc;

    static DirAndFileListData DirAndFileListWifhObj(const FileInfoData& info);
    // A class member has no description and no classification: both stay empty/0.
    static DirAndFileListData DirAndFileListWifhObj(const FileClassifyData& member);

    bool operator==(const DirAndFileListData&) const = default;
};

}  // namespace pd
