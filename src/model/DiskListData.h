#pragma once
// Reduced row record for one of the computer's drives.

#include "model/FileInfoData.h"

#include <cstdint>
#include <string>

namespace pd {

struct DiskListData {
    std::int32_t isDir = 0;
    std::string name;  // same display rule as DirAndFileListData
    std::string desc;

    static DiskListData DiskListWifhObj(const FileInfoData& info);

    bool operator==(const DiskListData&) const = default;
};

}  // namespace pd
