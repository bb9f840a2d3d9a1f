#pragma once
// The computer's six-element folder statistics record:
// [-, -, path, file count, folder count, total size]; the first two elements are not read.

#include "codec/MsgPack.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pd {

struct RspDirInfo {
    std::string pathName;  // empty when the bytes are not UTF-8
    std::int32_t fileCount = 0;
    std::int32_t dirCount = 0;
    std::uint64_t dirSize = 0;

    // nullopt unless the array has exactly six elements and elements 2-5 have their types.
    static std::optional<RspDirInfo> fromArray(msg::View arr);

    bool operator==(const RspDirInfo&) const = default;
};

}  // namespace pd
