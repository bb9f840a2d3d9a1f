#pragma once
// The photo backup batch of the core controller: the queued asset URLs are sent one after
// the other over the upload channel, each read from the photo library in the sender's pieces.
// Every item ends exactly once (sent, skipped or failed) and counts as done; progress goes
// to the controller's progress observer; "QUIT" follows the last item of a batch that was
// neither stopped nor cut off by the end of its link.
//
// Only one batch runs at a time: a start while one runs is refused. The running flag is
// cleared by "QUIT", by a stop taking effect, or by the loss of the link.
//
// When the computer confirms a sent item with its "226" reply, the item is written to the
// backup ledger of that computer. Replies come in the order of the items, so each one confirms
// the oldest sent item still unconfirmed; the next item does not wait for it. A sent item is
// awaited for a bounded time: the end of the batch waits for the outstanding ones (on a link
// that once let that time pass, it waits no more).
//
// Main queue only.

#include "core/UploadChannel.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pd {

class AuthCore;
class CServerManager;
class PhotoLibrary;
class UploadSource;

// How a batch ended.
struct BackupBatchEnd {
    std::size_t total = 0;      // items in the batch
    std::size_t done = 0;       // items that ended (sent, skipped or failed)
    std::size_t failed = 0;     // items that could not be read or sent
    std::size_t confirmed = 0;  // items the computer confirmed it stored
    bool stopped = false;       // a stop took effect
    bool linkLost = false;      // the link ended before the batch did

    bool operator==(const BackupBatchEnd&) const = default;
};

class PhotoBackupBatch {
  public:
    using ItemBlock =
        std::function<void(const std::string& url, const std::string& fileName, UploadOutcome)>;
    using EndBlock = std::function<void(const BackupBatchEnd&)>;
    static constexpr std::chrono::milliseconds kConfirmLimit{3000};

    explicit PhotoBackupBatch(AuthCore& core) : core_(core) {}

    // Takes `urls` as the new batch. False (and nothing starts) while a batch runs.
    bool start(std::vector<std::string> urls, std::shared_ptr<const PhotoLibrary> library);
    // Ends the batch after its current item; a waiting batch ends at once.
    void stop();
    // Looks one item up (asynchronously) and hands it to the upload channel.
    void read(const std::string& url);
    // The upload channel ended an item.
    void uploadEnded(UploadOutcome outcome);
    // The current item ends without an upload (FileSendFinish while it is being read).
    void endUnsentItem(UploadOutcome outcome);
    // The link is gone: a batch whose item is not on the upload channel ends now.
    void linkEnded();
    // The link dropped and is being restored: the batch waits instead of ending. The item under
    // way and the items the computer has not confirmed go again after resume(), so none is lost
    // (they count as not done meanwhile).
    void suspend();
    // The link is back: the batch goes on from where it waited.
    void resume();
    // The link could not be restored: a waiting batch ends as cut off by the link.
    void abandon();
    bool suspended() const { return suspended_; }
    // Forgets everything (tests).
    void reset();

    void setItemBlock(ItemBlock block) { itemBlock_ = std::move(block); }
    void setEndBlock(EndBlock block) { endBlock_ = std::move(block); }
    void setConfirmLimit(std::chrono::milliseconds limit) { confirmLimit_ = limit; }

    bool running() const { return running_; }
    bool bStopPhotoBak() const { return bStopPhotoBak_; }
    bool uploading() const { return uploading_; }
    const std::vector<std::string>& photoTmpArr() const { return photoTmpArr_; }
    std::size_t cursor() const { return cursor_; }

  private:
    struct Sent {
        std::string url;
        std::uint64_t size = 0;
        std::chrono::steady_clock::time_point deadline;
    };

    void lookup(const std::string& url, std::function<void(std::shared_ptr<UploadSource>)> onMain);
    void prefetch(std::size_t index);
    void nextItem();
    void readReturned(std::uint64_t token, std::shared_ptr<UploadSource> source);
    void itemDone(UploadOutcome outcome);
    // Matches the computer's new "226" replies with the oldest sent items, drops those whose
    // time ran out, and runs the end of the batch once nothing is outstanding.
    void takeConfirmations();
    void listenForConfirmations();
    void whenConfirmed(std::function<void()> then);
    void end();

    AuthCore& core_;
    std::shared_ptr<const PhotoLibrary> library_;
    std::vector<std::string> photoTmpArr_;
    std::size_t cursor_ = 0;
    bool running_ = false;
    bool bStopPhotoBak_ = false;
    bool suspended_ = false;
    // Items that failed as a leaving computer makes them fail, since the last one sent.
    std::vector<std::string> cutOffStreak_;
    BackupBatchEnd summary_;
    std::string deviceTag_;
    ItemBlock itemBlock_;
    EndBlock endBlock_;
    std::chrono::milliseconds confirmLimit_ = kConfirmLimit;

    // The current item: its token (late callbacks of an earlier one carry another), whether
    // it is being read or on the upload channel, and what its confirmation needs.
    std::uint64_t token_ = 0;
    bool reading_ = false;
    bool uploading_ = false;
    std::string fileName_;
    std::uint64_t size_ = 0;
    std::weak_ptr<CServerManager> link_;
    std::uint64_t transfersDoneBefore_ = 0;
    // The next item, looked up while the current one is sent (of batch `batchGen_`).
    std::uint64_t batchGen_ = 0;
    std::optional<std::size_t> prefetchIndex_;
    bool prefetchArrived_ = false;
    std::shared_ptr<UploadSource> prefetched_;

    // Sent items awaiting their "226", oldest first, all on `confirmLink_`, whose replies up
    // to `transfersSeen_` are matched already.
    std::deque<Sent> unconfirmed_;
    std::weak_ptr<CServerManager> confirmLink_;
    std::uint64_t transfersSeen_ = 0;
    bool listening_ = false;
    // What runs once nothing is outstanding (the end of the batch), and its generation.
    std::function<void()> afterConfirmed_;
    // The link that once let an item's time pass: the end of a batch does not wait on it.
    std::weak_ptr<CServerManager> unconfirmingLink_;
};

}  // namespace pd
