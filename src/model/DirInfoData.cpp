#include "model/DirInfoData.h"

namespace pd {

DirInfoData DirInfoData::DirInfoWifhRsp(const RspDirInfo& rsp) {
    DirInfoData d;
    d.fileCount = rsp.fileCount;
    d.dirCount = rsp.dirCount;
    d.pathName = rsp.pathName;
    d.dirSize = rsp.dirSize;
    return d;
}

}  // namespace pd
