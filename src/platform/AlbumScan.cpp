#include "platform/AlbumScan.h"

#include "platform/ConcurrentQueue.h"

namespace pd {

void AlbumScan::start(std::shared_ptr<const PhotoLibrary> library, std::chrono::milliseconds limit,
                      Finish finish) {
    const std::shared_ptr<AlbumScan> scan(new AlbumScan(std::move(library), std::move(finish)));
    ConcurrentQueue& background = ConcurrentQueue::global();
    background.after(limit, [scan] { scan->finish(); });
    background.async([scan] { scan->enumerate(); });
}

AlbumScan::AlbumScan(std::shared_ptr<const PhotoLibrary> library, Finish finish)
    : library_(std::move(library)), finish_(std::move(finish)) {}

void AlbumScan::enumerate() {
    const std::shared_ptr<AlbumScan> self = shared_from_this();
    for (const AssetGroup& group : library_->groups()) {
        library_->enumerateAssets(group, [&](const Asset& asset, std::size_t) {
            if (!asset.isPhoto()) {
                return;
            }
            {
                std::lock_guard lock(mutex_);
                if (bFinished_) {
                    return;  // the time limit has passed: nothing more is kept
                }
                ++outstanding_;
            }
            // The default representation's URL is the asset's own.
            library_->assetForURL(
                asset.url(),
                [self](std::optional<Asset> found) { self->lookupReturned(std::move(found)); },
                [self](std::error_code) { self->lookupReturned(std::nullopt); });
        });
    }
    bool bDone = false;
    {
        std::lock_guard lock(mutex_);
        bEnumerated_ = true;
        bDone = outstanding_ == 0;
    }
    if (bDone) {
        finish();
    }
}

void AlbumScan::lookupReturned(std::optional<Asset> asset) {
    bool bDone = false;
    {
        std::lock_guard lock(mutex_);
        --outstanding_;
        if (asset && !bFinished_) {
            index_.insert_or_assign(asset->fileName(), std::move(*asset));
        }
        bDone = bEnumerated_ && outstanding_ == 0;
    }
    if (bDone) {
        finish();
    }
}

void AlbumScan::finish() {
    Finish callback;
    AlbumIndex index;
    {
        std::lock_guard lock(mutex_);
        if (bFinished_) {
            return;
        }
        bFinished_ = true;
        callback = std::move(finish_);
        index = std::move(index_);
    }
    if (callback) {
        callback(std::move(index));
    }
}

}  // namespace pd
