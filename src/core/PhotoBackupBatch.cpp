#include "core/PhotoBackupBatch.h"

#include "codec/LinkCodes.h"
#include "core/AssetUploadSource.h"
#include "core/AuthCore.h"
#include "core/BackupLedger.h"
#include "model/ObjectStore.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/PhotoLibrary.h"

#include <algorithm>

namespace pd {

bool PhotoBackupBatch::start(std::vector<std::string> urls,
                             std::shared_ptr<const PhotoLibrary> library) {
    if (running_) {
        PD_LOG_INFO("photo backup: a batch is already running; {} items refused", urls.size());
        return false;
    }
    bStopPhotoBak_ = false;
    photoTmpArr_ = std::move(urls);
    cursor_ = 0;
    cutOffStreak_.clear();
    summary_ = BackupBatchEnd{};
    summary_.total = photoTmpArr_.size();
    if (photoTmpArr_.empty()) {
        return true;  // nothing to send, nothing running
    }
    library_ = library ? std::move(library) : std::make_shared<const PhotoLibrary>();
    deviceTag_ = core_.deviceTag;
    running_ = true;
    ++batchGen_;
    prefetchIndex_.reset();
    PD_LOG_INFO("photo backup of {} items starts", photoTmpArr_.size());
    nextItem();
    return true;
}

void PhotoBackupBatch::read(const std::string& url) {
    const std::uint64_t token = ++token_;
    reading_ = true;
    uploading_ = false;
    // The lookup runs on the library's queue; only the representation's size is taken there.
    lookup(url, [this, token](std::shared_ptr<UploadSource> source) {
        readReturned(token, std::move(source));
    });
}

void PhotoBackupBatch::lookup(const std::string& url,
                              std::function<void(std::shared_ptr<UploadSource>)> onMain) {
    const auto deliver = [onMain = std::move(onMain)](std::shared_ptr<UploadSource> source) {
        MainQueue::shared().async([onMain, source = std::move(source)] { onMain(source); });
    };
    library_->assetForURL(
        url,
        [deliver](std::optional<Asset> asset) {
            deliver(asset ? makeAssetUploadSource(*asset) : nullptr);
        },
        [deliver](std::error_code) { deliver(nullptr); });
}

void PhotoBackupBatch::prefetch(std::size_t index) {
    prefetchIndex_ = index;
    prefetchArrived_ = false;
    prefetched_.reset();
    lookup(photoTmpArr_[index], [this, gen = batchGen_, index](std::shared_ptr<UploadSource> s) {
        if (gen != batchGen_ || prefetchIndex_ != index) {
            return;
        }
        prefetchArrived_ = true;
        prefetched_ = std::move(s);
        if (reading_ && cursor_ == index) {
            prefetchIndex_.reset();
            readReturned(token_, std::move(prefetched_));
        }
    });
}

void PhotoBackupBatch::nextItem() {
    if (prefetchIndex_ != cursor_) {
        read(photoTmpArr_[cursor_]);
        return;
    }
    ++token_;
    reading_ = true;
    uploading_ = false;
    if (prefetchArrived_) {
        prefetchIndex_.reset();
        readReturned(token_, std::move(prefetched_));
    }  // else the lookup under way delivers it
}

void PhotoBackupBatch::readReturned(std::uint64_t token, std::shared_ptr<UploadSource> source) {
    if (token != token_ || !reading_ || !running_) {
        return;  // the item ended meanwhile (link lost, reset)
    }
    reading_ = false;
    if (!source) {
        PD_LOG_WARN("photo backup: {} cannot be read; skipped", photoTmpArr_[cursor_]);
        fileName_.clear();
        itemDone(UploadOutcome::Unreadable);
        return;
    }
    fileName_ = source->name();
    size_ = source->size();
    auto link = core_.serverManager();
    link_ = link;
    // Replies counted before the item starts cannot be its confirmation.
    transfersDoneBefore_ = link ? link->Results().transfersDone : 0;
    uploading_ = true;
    core_.GetPhotoDataFinish(std::move(source));
    // The next item is looked up while this one is sent.
    if (running_ && cursor_ + 1 < photoTmpArr_.size()) {
        prefetch(cursor_ + 1);
    }
}

void PhotoBackupBatch::endUnsentItem(UploadOutcome outcome) {
    if (running_ && reading_) {
        reading_ = false;
        ++token_;
        itemDone(outcome);
    }
}

void PhotoBackupBatch::uploadEnded(UploadOutcome outcome) {
    if (!running_ || !uploading_) {
        return;  // an upload that is not the batch's
    }
    uploading_ = false;
    auto link = link_.lock();
    if (outcome == UploadOutcome::Sent && link) {
        if (link != confirmLink_.lock()) {
            unconfirmed_.clear();  // those of an earlier link can no longer be confirmed
            confirmLink_ = link;
            transfersSeen_ = transfersDoneBefore_;
            listening_ = false;
        }
        unconfirmed_.push_back(
            {photoTmpArr_[cursor_], size_, std::chrono::steady_clock::now() + confirmLimit_});
        listenForConfirmations();
        takeConfirmations();
    }
    itemDone(outcome);
}

void PhotoBackupBatch::listenForConfirmations() {
    auto link = confirmLink_.lock();
    if (!link || listening_) {
        return;
    }
    listening_ = true;
    // The slot is used once per call: each reply registers it again from the main queue.
    link->WaitTransferDoneBlock([this, weak = confirmLink_] {
        MainQueue::shared().async([this, weak] {
            if (weak.lock() == confirmLink_.lock() && !weak.expired()) {
                listening_ = false;
                takeConfirmations();
            }
        });
    });
}

void PhotoBackupBatch::takeConfirmations() {
    auto link = confirmLink_.lock();
    if (link) {
        const std::uint64_t done = link->Results().transfersDone;
        // A reply that came before its item was seen as sent stays counted for that item.
        while (transfersSeen_ < done && !unconfirmed_.empty()) {
            ++transfersSeen_;
            const Sent item = unconfirmed_.front();
            unconfirmed_.pop_front();
            ++summary_.confirmed;
            BackupLedger(ObjectStore::shared())
                .record(deviceTag_, item.url, item.size, std::chrono::system_clock::now());
        }
    } else {
        unconfirmed_.clear();
    }
    const auto now = std::chrono::steady_clock::now();
    const bool waitsNoMore = link && link == unconfirmingLink_.lock();
    while (!unconfirmed_.empty() && (waitsNoMore || unconfirmed_.front().deadline <= now)) {
        PD_LOG_WARN("photo backup: the computer did not confirm {}", unconfirmed_.front().url);
        unconfirmed_.pop_front();
        unconfirmingLink_ = confirmLink_;
    }
    if (!unconfirmed_.empty()) {
        listenForConfirmations();
    }
    if (unconfirmed_.empty() && afterConfirmed_) {
        auto then = std::move(afterConfirmed_);
        afterConfirmed_ = nullptr;
        then();
    }
}

void PhotoBackupBatch::whenConfirmed(std::function<void()> then) {
    afterConfirmed_ = std::move(then);
    takeConfirmations();
    if (afterConfirmed_) {
        // The oldest outstanding item's time is the longest this can take.
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            unconfirmed_.front().deadline - std::chrono::steady_clock::now());
        const std::uint64_t token = token_;
        MainQueue::shared().after(
            std::max(wait, std::chrono::milliseconds(0)) + std::chrono::milliseconds(1),
            [this, token] {
                if (token == token_ && afterConfirmed_) {
                    takeConfirmations();
                    if (afterConfirmed_) {
                        whenConfirmed(std::move(afterConfirmed_));
                    }
                }
            });
    }
}

namespace {

// Failures the computer's going away causes: its channel breaks a moment before the link does.
bool mayBeCutOff(UploadOutcome outcome) {
    switch (outcome) {
        case UploadOutcome::NoPassiveAnswer:
        case UploadOutcome::ConnectFailed:
        case UploadOutcome::NoStorAnswer:
        case UploadOutcome::SendFailed:
            return true;
        default:
            return false;
    }
}

}  // namespace

void PhotoBackupBatch::itemDone(UploadOutcome outcome) {
    const std::string url = photoTmpArr_[cursor_];
    ++summary_.done;
    if (outcome != UploadOutcome::Sent) {
        ++summary_.failed;
    }
    if (outcome == UploadOutcome::Sent) {
        cutOffStreak_.clear();
    } else if (mayBeCutOff(outcome)) {
        cutOffStreak_.push_back(url);
    }
    if (itemBlock_) {
        itemBlock_(url, fileName_, outcome);
    }
    if (bStopPhotoBak_) {
        summary_.stopped = true;
        ++token_;
        whenConfirmed([this] { end(); });  // no progress, no next item, no "QUIT"
        return;
    }
    if (outcome == UploadOutcome::LinkLost) {
        summary_.linkLost = true;
        end();
        return;
    }
    ++cursor_;
    const std::size_t total = photoTmpArr_.size();
    if (auto progress = core_.progressBlock()) {
        if (cursor_ >= total) {
            core_.ProgressBlock(nullptr);
        }
        progress(cursor_, total);
    }
    if (cursor_ < total) {
        nextItem();
        return;
    }
    ++token_;
    whenConfirmed([this] {
        core_.FileMgrCommondOp(link::kUploadChannel, "QUIT");
        end();
    });
}

void PhotoBackupBatch::end() {
    ++batchGen_;
    prefetchIndex_.reset();
    prefetched_.reset();
    if (summary_.confirmed > 0 && !BackupLedger(ObjectStore::shared()).save()) {
        PD_LOG_ERROR("photo backup: the backup ledger could not be saved");
    }
    running_ = false;
    reading_ = uploading_ = false;
    afterConfirmed_ = nullptr;
    ++token_;
    PD_LOG_INFO("photo backup ended: {} of {} done, {} failed, {} confirmed{}{}", summary_.done,
                summary_.total, summary_.failed, summary_.confirmed,
                summary_.stopped ? ", stopped" : "", summary_.linkLost ? ", link lost" : "");
    if (EndBlock block = endBlock_) {
        block(summary_);
    }
}

void PhotoBackupBatch::linkEnded() {
    if (suspended_) {
        return;  // it waits for the link to come back
    }
    unconfirmed_.clear();
    confirmLink_.reset();
    listening_ = false;
    if (!running_ || uploading_) {
        return;  // the upload channel reports the item as LinkLost
    }
    summary_.linkLost = true;
    end();
}

void PhotoBackupBatch::stop() {
    bStopPhotoBak_ = running_;
    if (suspended_) {
        suspended_ = false;
        summary_.stopped = true;
        end();
    }
}

void PhotoBackupBatch::suspend() {
    if (!running_ || suspended_ || bStopPhotoBak_) {
        return;  // a stopping batch ends with the link as before
    }
    suspended_ = true;
    // The current item's read or upload ends without counting; the batch reads it again.
    ++token_;
    reading_ = uploading_ = false;
    afterConfirmed_ = nullptr;
    ++batchGen_;
    prefetchIndex_.reset();
    prefetched_.reset();
    // Sent items still unconfirmed may not have been stored: move them just before the cursor,
    // in their order, and step back over them so that they are sent again.
    std::vector<std::string> again;
    for (const Sent& item : unconfirmed_) {
        again.push_back(item.url);
    }
    // So do the failures since the last item sent: the computer was going away.
    again.insert(again.end(), cutOffStreak_.begin(), cutOffStreak_.end());
    summary_.failed -= std::min(summary_.failed, cutOffStreak_.size());
    cutOffStreak_.clear();
    unconfirmed_.clear();
    confirmLink_.reset();
    listening_ = false;
    if (!again.empty()) {
        const auto head = photoTmpArr_.begin();
        const auto sentPart = head + static_cast<std::ptrdiff_t>(cursor_);
        std::stable_partition(head, sentPart, [&again](const std::string& url) {
            return std::find(again.begin(), again.end(), url) == again.end();
        });
        const std::size_t back = std::min(again.size(), cursor_);
        cursor_ -= back;
        summary_.done -= std::min(summary_.done, back);
    }
    PD_LOG_INFO("photo backup waits for the link at item {} of {}", cursor_ + 1,
                photoTmpArr_.size());
}

void PhotoBackupBatch::resume() {
    if (!suspended_) {
        return;
    }
    suspended_ = false;
    if (!running_) {
        return;
    }
    PD_LOG_INFO("photo backup goes on at item {} of {}", cursor_ + 1, photoTmpArr_.size());
    const std::size_t total = photoTmpArr_.size();
    if (cursor_ < total) {
        if (auto progress = core_.progressBlock()) {
            progress(cursor_, total);
        }
        nextItem();
        return;
    }
    ++token_;
    core_.FileMgrCommondOp(link::kUploadChannel, "QUIT");
    end();
}

void PhotoBackupBatch::abandon() {
    if (!suspended_) {
        return;
    }
    suspended_ = false;
    summary_.linkLost = true;
    end();
}

void PhotoBackupBatch::reset() {
    suspended_ = false;
    running_ = false;
    bStopPhotoBak_ = false;
    reading_ = uploading_ = false;
    ++token_;
    unconfirmed_.clear();
    confirmLink_.reset();
    listening_ = false;
    afterConfirmed_ = nullptr;
    ++batchGen_;
    prefetchIndex_.reset();
    prefetched_.reset();
    photoTmpArr_.clear();
    cursor_ = 0;
    summary_ = BackupBatchEnd{};
    itemBlock_ = nullptr;
    endBlock_ = nullptr;
    confirmLimit_ = kConfirmLimit;
    unconfirmingLink_.reset();
    library_.reset();
}

}  // namespace pd
