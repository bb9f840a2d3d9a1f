#include "core/PhotoBackupBatch.h"

#include "codec/LinkCodes.h"
#include "core/AssetUploadSource.h"
#include "core/AuthCore.h"
#include "core/BackupLedger.h"
#include "model/ObjectStore.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/PhotoLibrary.h"

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
    summary_ = BackupBatchEnd{};
    summary_.total = photoTmpArr_.size();
    if (photoTmpArr_.empty()) {
        return true;  // nothing to send, nothing running
    }
    library_ = library ? std::move(library) : std::make_shared<const PhotoLibrary>();
    deviceTag_ = core_.deviceTag;
    running_ = true;
    PD_LOG_INFO("photo backup of {} items starts", photoTmpArr_.size());
    read(photoTmpArr_.front());
    return true;
}

void PhotoBackupBatch::read(const std::string& url) {
    const std::uint64_t token = ++token_;
    reading_ = true;
    uploading_ = false;
    confirming_ = false;
    const auto deliver = [this, token](std::shared_ptr<UploadSource> source) {
        MainQueue::shared().async([this, token, source = std::move(source)]() mutable {
            readReturned(token, std::move(source));
        });
    };
    // The lookup runs on the library's queue; only the representation's size is taken there.
    library_->assetForURL(
        url,
        [deliver](std::optional<Asset> asset) {
            deliver(asset ? makeAssetUploadSource(asset->defaultRepresentation()) : nullptr);
        },
        [deliver](std::error_code) { deliver(nullptr); });
}

void PhotoBackupBatch::readReturned(std::uint64_t token, std::shared_ptr<UploadSource> source) {
    if (token != token_ || !reading_ || !running_) {
        return;  // the item ended meanwhile (link lost, reset)
    }
    reading_ = false;
    if (!source) {
        PD_LOG_WARN("photo backup: {} cannot be read; skipped", photoTmpArr_[cursor_]);
        fileName_.clear();
        itemDone(UploadOutcome::Unreadable, false);
        return;
    }
    fileName_ = source->name();
    size_ = source->size();
    auto link = core_.serverManager();
    link_ = link;
    transfersDoneBefore_ = link ? link->Results().transfersDone : 0;
    uploading_ = true;
    core_.GetPhotoDataFinish(std::move(source));
}

void PhotoBackupBatch::endUnsentItem(UploadOutcome outcome) {
    if (running_ && reading_) {
        reading_ = false;
        ++token_;
        itemDone(outcome, false);
    }
}

void PhotoBackupBatch::uploadEnded(UploadOutcome outcome) {
    if (!running_ || !uploading_) {
        return;  // an upload that is not the batch's
    }
    uploading_ = false;
    auto link = link_.lock();
    if (outcome != UploadOutcome::Sent || !link || link == unconfirmingLink_.lock()) {
        itemDone(outcome, false);
        return;
    }
    awaitConfirmation();
}

void PhotoBackupBatch::awaitConfirmation() {
    auto link = link_.lock();
    const std::uint64_t token = ++token_;
    confirming_ = true;
    // Registered before the count is read, so a "226" in between is not missed.
    link->WaitTransferDoneBlock([this, token] {
        MainQueue::shared().async([this, token] { confirmationDone(token, true); });
    });
    if (link->Results().transfersDone > transfersDoneBefore_) {
        confirmationDone(token, true);
        return;
    }
    MainQueue::shared().after(confirmLimit_, [this, token] { confirmationDone(token, false); });
}

void PhotoBackupBatch::confirmationDone(std::uint64_t token, bool confirmed) {
    if (token != token_ || !confirming_ || !running_) {
        return;
    }
    confirming_ = false;
    ++token_;
    if (!confirmed) {
        PD_LOG_WARN(
            "photo backup: no confirmation of '{}' from the computer; not waiting for "
            "confirmations on this link again",
            fileName_);
        unconfirmingLink_ = link_;
    }
    itemDone(UploadOutcome::Sent, confirmed);
}

void PhotoBackupBatch::itemDone(UploadOutcome outcome, bool confirmed) {
    const std::string url = photoTmpArr_[cursor_];
    ++summary_.done;
    if (outcome != UploadOutcome::Sent) {
        ++summary_.failed;
    }
    if (confirmed) {
        ++summary_.confirmed;
        BackupLedger(ObjectStore::shared())
            .record(deviceTag_, url, size_, std::chrono::system_clock::now());
    }
    if (itemBlock_) {
        itemBlock_(url, fileName_, outcome);
    }
    if (bStopPhotoBak_) {
        summary_.stopped = true;
        end();  // no progress, no next item, no "QUIT"
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
        read(photoTmpArr_[cursor_]);
        return;
    }
    core_.FileMgrCommondOp(link::kUploadChannel, "QUIT");
    end();
}

void PhotoBackupBatch::end() {
    running_ = false;
    reading_ = uploading_ = confirming_ = false;
    ++token_;
    PD_LOG_INFO("photo backup ended: {} of {} done, {} failed, {} confirmed{}{}", summary_.done,
                summary_.total, summary_.failed, summary_.confirmed,
                summary_.stopped ? ", stopped" : "", summary_.linkLost ? ", link lost" : "");
    if (EndBlock block = endBlock_) {
        block(summary_);
    }
}

void PhotoBackupBatch::linkEnded() {
    if (!running_ || uploading_) {
        return;  // the upload channel reports the item as LinkLost
    }
    if (confirming_) {
        // Sent whole; its confirmation cannot come any more. The next item meets the lost link.
        confirming_ = false;
        ++token_;
        itemDone(UploadOutcome::Sent, false);
        return;
    }
    summary_.linkLost = true;
    end();
}

void PhotoBackupBatch::reset() {
    running_ = false;
    bStopPhotoBak_ = false;
    reading_ = uploading_ = confirming_ = false;
    ++token_;
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
