#include "model/FileInfoData.h"

#include "model/RecordFields.h"

namespace pd {

std::optional<FileInfoData> FileInfoData::FileInfoWifhArr(msg::View arr) {
    if (!arr.isArray() || arr.size() != 6) {
        return std::nullopt;
    }
    auto name = fields::utf8OrEmpty(arr[0]);
    const auto isDir = arr[1].asInt32Wrapped();
    const auto size = arr[2].asUInt64();
    const auto modifyTime = arr[3].asUInt64();
    auto desc = fields::utf8OrEmpty(arr[4]);
    const auto classify = arr[5].asInt32Wrapped();
    if (!name || !isDir || !size || !modifyTime || !desc || !classify) {
        return std::nullopt;
    }
    FileInfoData d;
    d.isDir = *isDir;
    d.classify = *classify;
    d.name = std::move(*name);
    d.size = *size;
    d.modifyTime = *modifyTime;
    d.desc = std::move(*desc);
    return d;
}

}  // namespace pd
