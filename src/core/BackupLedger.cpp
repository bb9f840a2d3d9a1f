#include "core/BackupLedger.h"

#include "model/ObjectStore.h"

namespace pd {

void BackupLedger::record(const std::string& deviceTag, const std::string& assetUrl,
                          std::uint64_t size, std::chrono::system_clock::time_point when) {
    const auto existing = store_.fetch<PhotoBakList>(
        [&](const PhotoBakList& r) { return r.deviceTag == deviceTag && r.assetUrl == assetUrl; },
        1);
    if (!existing.empty()) {
        existing.front()->fileSize = size;
        existing.front()->backTime = ObjectStore::dateValue(when);
    } else {
        store_.insert(PhotoBakList{0, deviceTag, assetUrl, size, ObjectStore::dateValue(when)});
    }
}

bool BackupLedger::save() {
    return store_.saveContext();
}

bool BackupLedger::contains(const std::string& deviceTag, const std::string& assetUrl,
                            std::uint64_t size) const {
    return !store_
                .fetch<PhotoBakList>(
                    [&](const PhotoBakList& r) {
                        return r.deviceTag == deviceTag && r.assetUrl == assetUrl &&
                               r.fileSize == size;
                    },
                    1)
                .empty();
}

std::vector<std::shared_ptr<PhotoBakList>> BackupLedger::records(
    const std::string& deviceTag) const {
    return store_.fetch<PhotoBakList>(
        [&](const PhotoBakList& r) { return r.deviceTag == deviceTag; });
}

}  // namespace pd
