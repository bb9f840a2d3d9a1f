#pragma once
// Statistics of one folder on the computer.

#include "model/RspDirInfo.h"

#include <cstdint>
#include <string>

namespace pd {

struct DirInfoData {
    std::int32_t fileCount = 0;
    std::int32_t dirCount = 0;
    std::string pathName;
    std::uint64_t dirSize = 0;  // bytes

    static DirInfoData DirInfoWifhRsp(const RspDirInfo& rsp);

    bool operator==(const DirInfoData&) const = default;
};

}  // namespace pd
