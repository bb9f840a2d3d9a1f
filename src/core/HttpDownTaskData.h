#pragma once
// The record of one kept download, created when the download is added and shared between the
// service (main queue) and the transfer (worker thread). The texts are fixed at creation; the
// worker writes only progress and fileSize, which are atomic so the download list can read
// them on the main queue while the bytes arrive.

#include <atomic>
#include <cstdint>
#include <string>

namespace pd {

class HttpDownTaskData {
  public:
    HttpDownTaskData(std::string fileName, std::string url, std::string filePath);
    HttpDownTaskData(const HttpDownTaskData&) = delete;
    HttpDownTaskData& operator=(const HttpDownTaskData&) = delete;

    // Full local destination path.
    const std::string fileName;
    // Kept for callers that know it; the service neither sets nor reads it.
    std::int32_t status = 0;
    // Fraction received, 0.0 to 1.0.
    std::atomic<float> progress{0.0f};
    // Complete size from the response headers; 0 until they arrive.
    std::atomic<std::uint64_t> fileSize{0};
    // The signed link; identifies the download everywhere.
    const std::string url;
    // The file's path on the computer.
    const std::string filePath;
};

}  // namespace pd
