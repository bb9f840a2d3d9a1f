#pragma once
// A finished download kept on the phone: one object-store record per local file and computer,
// listed by the download list for the computer it came from.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class ObjectStore;

inline constexpr std::int32_t kFileDownStatusFinished = 1;

struct FileDownList {
    // The record's identity in the store, given on insert; the store owns it.
    std::int64_t rowId = 0;
    std::string fileName;  // last path component of filePath
    std::string filePath;  // full local path of the finished file
    double downTime = 0;   // when the download finished, seconds since 1970
    std::uint64_t fileSize = 0;
    std::int32_t status = kFileDownStatusFinished;
    std::string deviceTag;   // the computer the file came from
    std::string formatTime;  // downTime as shown to the user

    bool operator==(const FileDownList&) const = default;
};

// Records a finished file. The record of exactly this path from exactly this computer is
// updated (size, time, shown time); otherwise a new one is added. Paths are compared as they
// are: no character has a special meaning. Saves; false if the save failed.
[[nodiscard]] bool addFinishTask(ObjectStore& store, const std::string& path, std::uint64_t size,
                                 const std::string& deviceTag,
                                 std::chrono::system_clock::time_point now,
                                 const std::string& formatTime);
// The records of that computer, in store order.
std::vector<std::shared_ptr<FileDownList>> queryFinishTasks(ObjectStore& store,
                                                            const std::string& deviceTag);
// Removes every record of exactly this path (from any computer) and saves; false if the save
// failed.
[[nodiscard]] bool deleteFinishTask(ObjectStore& store, const std::string& path);

}  // namespace pd
