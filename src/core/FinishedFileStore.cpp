#include "core/FinishedFileStore.h"

#include "NetWork/HttpDownloader.h"
#include "model/ObjectStore.h"
#include "platform/Log.h"

#include <ctime>
#include <optional>

namespace pd {

FinishedFileStore::FinishedFileStore(ObjectStore& store, NotificationCenter& center,
                                     std::function<std::string()> currentDeviceTag)
    : store_(store), center_(center), currentDeviceTag_(std::move(currentDeviceTag)) {
    observer_ = center_.addObserver(
        kHttpTaskSuccessNotification,
        [this](const std::string&, const UserInfo& info) { HttpDownSuccess(info); });
}

FinishedFileStore::~FinishedFileStore() {
    center_.removeObserver(observer_);
}

void FinishedFileStore::HttpDownSuccess(const UserInfo& info) {
    // A file already complete on disk reports "path"; a finished request reports "filePath".
    auto path = userInfoText(info, "path");
    if (!path && userInfoText(info, "request")) {
        path = userInfoText(info, "filePath");
    }
    if (path) {
        addFinishTaskToDB(*path, userInfoSize(info, "fileSize"),
                          currentDeviceTag_ ? currentDeviceTag_() : "");
    }
}

void FinishedFileStore::addFinishTaskToDB(const std::string& path, std::uint64_t fileSize,
                                          const std::string& deviceTag) {
    const auto now = std::chrono::system_clock::now();
    if (!addFinishTask(store_, path, fileSize, deviceTag, now, FormatTime(now))) {
        PD_LOG_WARN("could not save the finished download {}; kept for this run", path);
    }
}

std::vector<std::shared_ptr<FileDownList>> FinishedFileStore::QueryFinishTaskFromDB(
    const std::string& deviceTag) const {
    return queryFinishTasks(store_, deviceTag);
}

bool FinishedFileStore::DeleteFinishTaskFromDB(const std::string& path) {
    return deleteFinishTask(store_, path);
}

std::string FinishedFileStore::FormatTime(std::chrono::system_clock::time_point t) {
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

}  // namespace pd
