#include "model/RspDirInfo.h"

#include "model/RecordFields.h"

namespace pd {

std::optional<RspDirInfo> RspDirInfo::fromArray(msg::View arr) {
    if (!arr.isArray() || arr.size() != 6) {
        return std::nullopt;
    }
    auto path = fields::utf8OrEmpty(arr[2]);
    const auto fileCount = arr[3].asInt32Wrapped();
    const auto dirCount = arr[4].asInt32Wrapped();
    const auto dirSize = arr[5].asUInt64();
    if (!path || !fileCount || !dirCount || !dirSize) {
        return std::nullopt;
    }
    RspDirInfo r;
    r.pathName = std::move(*path);
    r.fileCount = *fileCount;
    r.dirCount = *dirCount;
    r.dirSize = *dirSize;
    return r;
}

}  // namespace pd
