#include "controllers/FileDownListData.h"

#include "controllers/BrowserPaths.h"
#include "core/HttpDownTaskData.h"

namespace pd {

FileDownListData FileDownListData::FileDownListWifhObj(const HttpDownTaskData& task) {
    FileDownListData row;
    // The destination is a plain local path: decoding escapes here would turn "a+b.txt" into
    // "a b.txt" and show a name the file does not have.
    row.fileName = lastPathComponent(task.fileName);
    row.progress = task.progress.load();
    row.fileSize = task.fileSize.load();
    row.filePath = task.filePath;
    row.url = task.url;
    return row;
}

}  // namespace pd
