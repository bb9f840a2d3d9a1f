#pragma once
// The finished kept downloads of each computer, in the object store. It records every download
// the download service reports as finished, under the device tag of the computer it came from.
//
// Main queue only, like the object store.

#include "model/FileDownList.h"
#include "platform/NotificationCenter.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class ObjectStore;

class FinishedFileStore {
  public:
    // `currentDeviceTag` names the computer a download that just finished belongs to.
    FinishedFileStore(ObjectStore& store, NotificationCenter& center,
                      std::function<std::string()> currentDeviceTag);
    ~FinishedFileStore();
    FinishedFileStore(const FinishedFileStore&) = delete;
    FinishedFileStore& operator=(const FinishedFileStore&) = delete;

    // One record per exact local path and computer; a repeated path replaces its record.
    void addFinishTaskToDB(const std::string& path, std::uint64_t fileSize,
                           const std::string& deviceTag);
    std::vector<std::shared_ptr<FileDownList>> QueryFinishTaskFromDB(
        const std::string& deviceTag) const;
    bool DeleteFinishTaskFromDB(const std::string& path);

    // "2024-03-05 14:07:09" in local time.
    static std::string FormatTime(std::chrono::system_clock::time_point t);

  private:
    void HttpDownSuccess(const UserInfo& info);

    ObjectStore& store_;
    NotificationCenter& center_;
    std::function<std::string()> currentDeviceTag_;
    ObserverToken observer_;
};

}  // namespace pd
