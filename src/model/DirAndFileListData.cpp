#include "model/DirAndFileListData.h"

#include "model/RowName.h"

namespace pd {

DirAndFileListData DirAndFileListData::DirAndFileListWifhObj(const FileInfoData& info) {
    DirAndFileListData row;
    row.name = rowNameFromComputerPath(info.name);
    row.isDir = info.isDir;
    row.size = info.size;
    row.modifyTime = info.modifyTime;
    row.desc = info.desc;
    row.classify = info.classify;
    return row;
}

DirAndFileListData DirAndFileListData::DirAndFileListWifhObj(const FileClassifyData& member) {
    DirAndFileListData row;
    row.name = rowNameFromComputerPath(member.name);
    row.isDir = member.isDir;
    row.size = member.size;
    row.modifyTime = member.modifyTime;
    return row;
}

}  // namespace pd
