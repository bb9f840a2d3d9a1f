#pragma once
// The backup upload of one item at a time over the data channel: "PASV" on the link, a
// connection to the address of the 227 answer, "STOR <name>", and after the 150 answer the
// item's bytes. Every answer is awaited for a limited time, and every way an item can end
// reaches the finish observer exactly once with its outcome. Callbacks and answers that
// belong to an item that has ended are ignored, so a late reply never touches the next item.
//
// Used on the main queue. Connecting and sending run in order on a worker thread of their
// own, so the link keeps its heartbeats during a large transfer.

#include "NetWork/CServerManager.h"
#include "NetWork/FileTransferMgr.h"
#include "NetWork/UploadSource.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pd {

class SerialQueue;

enum class UploadOutcome {
    Sent,             // every byte went out and the channel was closed cleanly
    NoPassiveAnswer,  // "PASV" not answered in time
    BadPassiveReply,  // 227 with an unusable address (malformed, port 0, another host)
    Refused,          // the computer answered a command with an error code
    ConnectFailed,    // the data channel could not be opened
    NoStorAnswer,     // "STOR" not answered with 150 in time
    SendFailed,       // reading the item or writing the channel failed part-way
    LinkLost,         // the link ended while the item was under way
    Replaced,         // a new item started before this one ended
    Unreadable,       // the photo library could not give the item (gone, no size, error)
};
const char* describe(UploadOutcome outcome);

class UploadChannel {
  public:
    using FinishBlock = std::function<void(const std::string& name, UploadOutcome outcome)>;
    static constexpr std::chrono::milliseconds kAnswerLimit{10000};

    UploadChannel();
    ~UploadChannel();
    UploadChannel(const UploadChannel&) = delete;
    UploadChannel& operator=(const UploadChannel&) = delete;

    // How long each "PASV" and "STOR" answer is awaited.
    void setAnswerLimit(std::chrono::milliseconds limit) { answerLimit_ = limit; }
    // Told once per item, on the main queue, when it ends.
    void setFinishBlock(FinishBlock block) { finishBlock_ = std::move(block); }

    // Starts uploading one item over `link` (generation `gen`), whose computer is `linkHost`.
    // An item still under way ends first as Replaced.
    void start(const std::shared_ptr<CServerManager>& link, std::uint64_t gen,
               const std::string& linkHost, std::shared_ptr<UploadSource> source);
    // The data channel is open: announce the item with "STOR <name>".
    void connected(const std::string& fileName);
    // Ends the current item (no effect without one).
    void finish(UploadOutcome outcome);
    // The link of generation `gen` is gone: an item on it ends as LinkLost.
    void linkEnded();

    bool busy() const { return item_.has_value(); }
    // The current item's data channel (empty between items).
    std::shared_ptr<FileTransferMgr> fileTransferMgr() const {
        return item_ ? item_->channel : nullptr;
    }

  private:
    enum class Stage { Passive, Connecting, Stor, Sending };
    enum class Answer { Passive, Ready, Error };
    struct Item {
        std::uint64_t id = 0;
        std::uint64_t stageToken = 0;
        Stage stage = Stage::Passive;
        std::uint64_t expectedReply = 0;  // the reply count once our command is answered
        // The same count for the link thread, which sets a wait again on an earlier reply.
        std::shared_ptr<std::atomic<std::uint64_t>> replyFloor =
            std::make_shared<std::atomic<std::uint64_t>>(0);
        std::weak_ptr<CServerManager> link;
        std::uint64_t gen = 0;
        std::string linkHost;
        std::shared_ptr<UploadSource> source;
        std::shared_ptr<FileTransferMgr> channel;
    };

    void enterStage(Stage stage);
    void await(Answer answer);
    void onAnswer(std::uint64_t id, std::uint64_t token, Answer answer, const LinkResults& r);
    void onPassive(const LinkResults& r);
    void sendCommand(CServerManager& link, const std::string& line);

    std::chrono::milliseconds answerLimit_ = kAnswerLimit;
    FinishBlock finishBlock_;
    std::optional<Item> item_;
    std::uint64_t nextId_ = 0;
    std::uint64_t nextToken_ = 0;
    // Per link: commands written whose replies are taken as never coming (negative: replies
    // the computer sent unasked), and since when a reply has been owed to an ended item.
    std::uint64_t skewGen_ = 0;
    std::int64_t skew_ = 0;
    std::optional<std::chrono::steady_clock::time_point> owedSince_;
    std::unique_ptr<SerialQueue> worker_;
    // Callbacks from other threads hold this weakly and do nothing once the channel is gone.
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace pd
