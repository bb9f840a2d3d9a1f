#include "model/DiskListData.h"

#include "model/RowName.h"

namespace pd {

DiskListData DiskListData::DiskListWifhObj(const FileInfoData& info) {
    DiskListData row;
    row.name = rowNameFromComputerPath(info.name);
    row.isDir = info.isDir;
    row.desc = info.desc;
    return row;
}

}  // namespace pd
