#include "core/UploadChannel.h"

#include "NetWork/LinkState.h"
#include "NetWork/PassiveAddress.h"
#include "codec/LinkCodes.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/SerialQueue.h"

#include <algorithm>

namespace pd {

namespace {

// Waits in `slot` for a reply counted at least `floor`, and hands it over as read on the link
// thread, before the next reply can change the store. A reply counted lower answers a command
// whose sender stopped waiting: the wait is set again at once, on the link thread, so that our
// own reply, read right behind it, still finds it (the slot holds one block, used once).
void waitForReply(const std::weak_ptr<LinkState>& state, LinkState::Slot slot,
                  std::shared_ptr<const std::atomic<std::uint64_t>> floor,
                  std::function<void(const LinkResults&)> deliver) {
    auto s = state.lock();
    if (!s) {
        return;
    }
    s->setBlock(slot, [state, slot, floor = std::move(floor), deliver = std::move(deliver)] {
        auto s = state.lock();
        if (!s) {
            return;
        }
        const LinkResults r = s->snapshot();
        if (r.fileReplySeq < floor->load()) {
            waitForReply(state, slot, floor, deliver);
            return;
        }
        deliver(r);
    });
}

}  // namespace

const char* describe(UploadOutcome outcome) {
    switch (outcome) {
        case UploadOutcome::Sent:
            return "sent";
        case UploadOutcome::NoPassiveAnswer:
            return "no answer to PASV";
        case UploadOutcome::BadPassiveReply:
            return "unusable data address";
        case UploadOutcome::Refused:
            return "refused by the computer";
        case UploadOutcome::ConnectFailed:
            return "data channel not opened";
        case UploadOutcome::NoStorAnswer:
            return "no answer to STOR";
        case UploadOutcome::SendFailed:
            return "sending failed";
        case UploadOutcome::LinkLost:
            return "link lost";
        case UploadOutcome::Replaced:
            return "replaced by a new item";
        case UploadOutcome::Unreadable:
            return "not readable from the photo library";
    }
    return "?";
}

UploadChannel::UploadChannel() : worker_(std::make_unique<SerialQueue>("upload")) {}

UploadChannel::~UploadChannel() {
    if (item_ && item_->channel) {
        item_->channel->Cancel();  // the worker's join below then returns soon
    }
}

void UploadChannel::start(const std::shared_ptr<CServerManager>& link, std::uint64_t gen,
                          const std::string& linkHost, std::shared_ptr<UploadSource> source) {
    if (item_) {
        finish(UploadOutcome::Replaced);
    }
    Item item;
    item.id = ++nextId_;
    item.link = link;
    item.gen = gen;
    item.linkHost = linkHost;
    item.source = std::move(source);
    item_ = std::move(item);
    if (!link || !item_->source) {
        finish(UploadOutcome::LinkLost);
        return;
    }
    PD_LOG_INFO("upload of '{}' ({} bytes) starts", item_->source->name(), item_->source->size());
    enterStage(Stage::Passive);
    await(Answer::Passive);
    await(Answer::Error);
    sendCommand(*link, "PASV");
}

void UploadChannel::enterStage(Stage stage) {
    item_->stage = stage;
    item_->stageToken = ++nextToken_;
    if (stage != Stage::Passive && stage != Stage::Stor) {
        return;
    }
    const UploadOutcome expiry =
        stage == Stage::Passive ? UploadOutcome::NoPassiveAnswer : UploadOutcome::NoStorAnswer;
    MainQueue::shared().after(answerLimit_, [this, life = std::weak_ptr<int>(life_), id = item_->id,
                                             token = item_->stageToken, expiry] {
        if (life.lock() && item_ && item_->id == id && item_->stageToken == token) {
            finish(expiry);
        }
    });
}

void UploadChannel::await(Answer answer) {
    auto link = item_->link.lock();
    if (!link) {
        return;
    }
    const LinkState::Slot slot = answer == Answer::Passive ? LinkState::Slot::Command
                                 : answer == Answer::Ready ? LinkState::Slot::Stor
                                                           : LinkState::Slot::Error;
    waitForReply(link->netMgr.state(), slot, item_->replyFloor,
                 [this, life = std::weak_ptr<int>(life_), id = item_->id, token = item_->stageToken,
                  answer](const LinkResults& r) {
                     MainQueue::shared().async([this, life, id, token, answer, r] {
                         if (life.lock()) {
                             onAnswer(id, token, answer, r);
                         }
                     });
                 });
}

void UploadChannel::onAnswer(std::uint64_t id, std::uint64_t token, Answer answer,
                             const LinkResults& r) {
    if (!item_ || item_->id != id || item_->stageToken != token) {
        return;  // the item or its stage has ended
    }
    if (r.fileReplySeq < item_->expectedReply) {
        // The answer to a command whose sender stopped waiting, read before our command's
        // count was known, or another request's answer in the shared slot: keep waiting.
        await(answer);
        return;
    }
    if (answer == Answer::Error) {
        PD_LOG_INFO("upload of '{}': the computer answered {}", item_->source->name(),
                    r.filePasvErrorCode);
        finish(UploadOutcome::Refused);
    } else if (item_->stage == Stage::Passive && answer == Answer::Passive) {
        onPassive(r);
    } else if (item_->stage == Stage::Stor && answer == Answer::Ready) {
        enterStage(Stage::Sending);
        worker_->async([this, life = std::weak_ptr<int>(life_), channel = item_->channel, id,
                        token = item_->stageToken] {
            const bool sent = channel->SendData();
            MainQueue::shared().async([this, life, id, token, sent] {
                if (life.lock() && item_ && item_->id == id && item_->stageToken == token) {
                    finish(sent ? UploadOutcome::Sent : UploadOutcome::SendFailed);
                }
            });
        });
    }
}

void UploadChannel::onPassive(const LinkResults& r) {
    if (r.filePasvErrorCode != link::kReplyPassive) {
        await(Answer::Passive);  // the shared slot answered another request
        return;
    }
    const auto address = parsePassiveAddress(r.fileRspResult, item_->linkHost);
    if (!address) {
        PD_LOG_WARN("upload of '{}': data address '{}' refused (link uses {})",
                    item_->source->name(), r.fileRspResult, item_->linkHost);
        finish(UploadOutcome::BadPassiveReply);
        return;
    }
    enterStage(Stage::Connecting);
    auto channel = std::make_shared<FileTransferMgr>(link::kUploadChannel, item_->source);
    item_->channel = channel;
    worker_->async([this, life = std::weak_ptr<int>(life_), channel, address = *address,
                    id = item_->id, token = item_->stageToken] {
        const bool open = channel->ConnectLanServer(address.host, address.port);
        MainQueue::shared().async([this, life, id, token, open, name = channel->fileName] {
            if (!life.lock() || !item_ || item_->id != id || item_->stageToken != token) {
                return;
            }
            if (open) {
                connected(name);
            } else {
                finish(UploadOutcome::ConnectFailed);
            }
        });
    });
}

void UploadChannel::connected(const std::string& fileName) {
    auto link = item_ ? item_->link.lock() : nullptr;
    if (!item_ || item_->stage != Stage::Connecting) {
        return;
    }
    if (!link) {
        finish(UploadOutcome::LinkLost);
        return;
    }
    enterStage(Stage::Stor);
    await(Answer::Ready);
    await(Answer::Error);
    // The name goes out unchanged: the computer stores the item under exactly this text.
    sendCommand(*link, "STOR " + fileName);
}

void UploadChannel::sendCommand(CServerManager& link, const std::string& line) {
    const std::int64_t received = static_cast<std::int64_t>(link.Results().fileReplySeq);
    std::uint64_t sentBefore = 0;
    link.FileMgrCommondOp(link::kUploadChannel, line, &sentBefore);
    if (item_->gen != skewGen_) {
        skewGen_ = item_->gen;
        skew_ = 0;
        owedSince_.reset();
    }
    // Replies come in the order of the commands. Those still owed belong to commands whose
    // items have ended; one owed for longer than an answer may take is taken as never coming.
    const auto sent = static_cast<std::int64_t>(sentBefore);
    const std::int64_t owed = sent - skew_ - received;
    const auto now = std::chrono::steady_clock::now();
    if (owed > 0 && !owedSince_) {
        owedSince_ = now;  // owed to a command sent outside any item ("QUIT")
    }
    if (owed < 0 || (owed > 0 && owedSince_ && now - *owedSince_ >= answerLimit_)) {
        skew_ = sent - received;
    }
    if (sent - skew_ - received <= 0) {
        owedSince_.reset();
    }
    item_->expectedReply = static_cast<std::uint64_t>(sent - skew_ + 1);
    item_->replyFloor->store(item_->expectedReply);
}

void UploadChannel::finish(UploadOutcome outcome) {
    if (!item_) {
        return;
    }
    Item item = std::move(*item_);
    item_.reset();
    if ((item.stage == Stage::Passive || item.stage == Stage::Stor) && !owedSince_) {
        // Its answer may still come; the next item's commands count it as owed.
        owedSince_ = std::chrono::steady_clock::now();
    }
    if (item.channel) {
        item.channel->Cancel();
    }
    const std::string name = item.source ? item.source->name() : std::string();
    PD_LOG_INFO("upload of '{}' ended: {}", name, describe(outcome));
    // Delivered from the queue, so an observer may start the next item from inside it.
    MainQueue::shared().async([this, life = std::weak_ptr<int>(life_), name, outcome] {
        if (!life.lock()) {
            return;
        }
        if (FinishBlock block = finishBlock_) {
            block(name, outcome);
        }
    });
}

void UploadChannel::linkEnded() {
    finish(UploadOutcome::LinkLost);
}

}  // namespace pd
