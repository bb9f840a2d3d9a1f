#include "model/FileDownList.h"

#include "model/ObjectStore.h"

#include <string_view>

namespace pd {

namespace {

// "dir/name.ext" gives "name.ext"; trailing slashes are not part of the name.
std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos || path.size() == 1) {
        return std::string(path);
    }
    return std::string(path.substr(slash + 1));
}

}  // namespace

bool addFinishTask(ObjectStore& store, const std::string& path, std::uint64_t size,
                   const std::string& deviceTag, std::chrono::system_clock::time_point now,
                   const std::string& formatTime) {
    const auto existing = store.fetch<FileDownList>(
        [&](const FileDownList& record) {
            return record.filePath == path && record.deviceTag == deviceTag;
        },
        1);
    if (!existing.empty()) {
        // The same file finished again (downloaded anew over the old copy).
        FileDownList& record = *existing.front();
        record.fileSize = size;
        record.downTime = ObjectStore::dateValue(now);
        record.formatTime = formatTime;
        record.status = kFileDownStatusFinished;
    } else {
        FileDownList record;
        record.fileName = lastPathComponent(path);
        record.filePath = path;
        record.downTime = ObjectStore::dateValue(now);
        record.fileSize = size;
        record.status = kFileDownStatusFinished;
        record.deviceTag = deviceTag;
        record.formatTime = formatTime;
        store.insert(std::move(record));
    }
    return store.saveContext();
}

std::vector<std::shared_ptr<FileDownList>> queryFinishTasks(ObjectStore& store,
                                                            const std::string& deviceTag) {
    return store.fetch<FileDownList>(
        [&deviceTag](const FileDownList& record) { return record.deviceTag == deviceTag; });
}

bool deleteFinishTask(ObjectStore& store, const std::string& path) {
    const auto matching = store.fetch<FileDownList>(
        [&path](const FileDownList& record) { return record.filePath == path; });
    for (const auto& record : matching) {
        store.deleteObject(record);
    }
    return store.saveContext();
}

}  // namespace pd
