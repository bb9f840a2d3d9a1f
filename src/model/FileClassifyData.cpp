#include "model/FileClassifyData.h"

#include "model/RecordFields.h"

namespace pd {

std::optional<FileClassifyData> FileClassifyData::FileClassifyWifhArr(msg::View arr) {
    if (!arr.isArray() || arr.size() != 6) {
        return std::nullopt;
    }
    auto name = fields::utf8OrEmpty(arr[0]);
    const auto isDir = arr[1].asInt32Wrapped();
    const auto size = arr[2].asUInt64();
    const auto modifyTime = arr[3].asUInt64();
    if (!name || !isDir || !size || !modifyTime) {
        return std::nullopt;
    }
    FileClassifyData d;
    d.isDir = *isDir;
    d.name = std::move(*name);
    d.size = *size;
    d.modifyTime = *modifyTime;
    return d;
}

}  // namespace pd
