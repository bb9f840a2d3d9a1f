#pragma once
// A row of the download list's running tab: one kept download, with the state of its
// pause/resume control.

#include <cstdint>
#include <string>

namespace pd {

class HttpDownTaskData;

struct FileDownListData {
    static constexpr int kStatusRunning = 1;  // the control offers pause
    static constexpr int kStatusPaused = 2;   // the control offers resume

    std::string fileName;  // last path component of the local destination, as it is
    float progress = 0;
    std::uint64_t fileSize = 0;
    std::string filePath;  // the file's path on the computer (what a resume asks for)
    std::string url;       // the signed link; identifies the download
    int bnStatus = kStatusRunning;

    static FileDownListData FileDownListWifhObj(const HttpDownTaskData& task);

    bool operator==(const FileDownListData&) const = default;
};

}  // namespace pd
