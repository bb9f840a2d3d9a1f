#pragma once
// What the link engine stores from the computer's answers. Lists are immutable once published,
// so a reader holding a snapshot is never disturbed by the next answer.

#include "model/DirInfoData.h"
#include "model/FileClassifyData.h"
#include "model/FileInfoData.h"
#include "model/WifiListItemData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pd {

using FileInfoList = std::shared_ptr<const std::vector<FileInfoData>>;
using FileClassifyList = std::shared_ptr<const std::vector<FileClassifyData>>;
using WifiList = std::shared_ptr<const std::vector<WifiListItemData>>;

// A consistent copy of the result store, taken in one step.
struct LinkResults {
    std::int32_t errorCode = 6;
    std::int32_t filePasvErrorCode = 500;
    std::string fileRspResult;
    // Upload-channel commands written on this link, and replies received (226 excluded): the
    // n-th reply answers the n-th command, which lets the upload flow tell a late reply from
    // the one it waits for.
    std::uint64_t fileCommandsSent = 0;
    std::uint64_t fileReplySeq = 0;
    // "226" replies received: each says the computer has stored one uploaded item whole.
    std::uint64_t transfersDone = 0;
    std::string backUpPath;
    std::string httpTicket;
    bool authSucess = false;
    std::int32_t handlePort = 0;
    FileInfoList fileInfo = std::make_shared<const std::vector<FileInfoData>>();
    FileClassifyList fileClassify = std::make_shared<const std::vector<FileClassifyData>>();
    WifiList wifiList = std::make_shared<const std::vector<WifiListItemData>>();
    std::shared_ptr<const std::string> capture = std::make_shared<const std::string>();
    DirInfoData dirInfo;
};

}  // namespace pd
