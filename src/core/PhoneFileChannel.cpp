#include "core/PhoneFileChannel.h"

#include "NetWork/PassiveAddress.h"
#include "codec/LinkCodes.h"
#include "platform/SerialQueue.h"

namespace pd {

PhoneFileChannel::PhoneFileChannel() : worker_(std::make_unique<SerialQueue>("phone files")) {}

PhoneFileChannel::~PhoneFileChannel() {
    cancel();
}

void PhoneFileChannel::setComputer(std::string host) {
    std::lock_guard lock(mutex_);
    computer_ = std::move(host);
}

std::string PhoneFileChannel::computer() const {
    std::lock_guard lock(mutex_);
    return computer_;
}

bool PhoneFileChannel::connect(const std::string& host, int port) {
    const std::string address = host + ":" + std::to_string(port);
    if (!parsePassiveAddress(address, computer())) {
        return false;  // only ever the computer at the other end of the link
    }
    auto channel = std::make_shared<FileTransferMgr>(link::kPhoneFileChannel, nullptr);
    channel->setSendPiece(kSendPiece);
    bool open = channel->ConnectLanServer(host, port);
    std::shared_ptr<FileTransferMgr> previous;
    {
        std::lock_guard lock(mutex_);
        open = open && computer_ == host;  // the link may have ended while connecting
        previous = std::exchange(channel_, open ? channel : nullptr);
    }
    if (!open) {
        channel->Cancel();
    }
    if (previous) {
        previous->Cancel();
    }
    return open;
}

bool PhoneFileChannel::send(std::shared_ptr<UploadSource> source, std::function<void(bool)> done) {
    std::shared_ptr<FileTransferMgr> channel = current();
    if (!channel || !source) {
        return false;
    }
    channel->setDataSend(std::move(source));
    worker_->async([this, channel, done = std::move(done)] {
        const bool sent = channel->SendData();
        {
            std::lock_guard lock(mutex_);
            if (channel_ == channel) {
                channel_.reset();
            }
        }
        if (done) {
            done(sent);
        }
    });
    return true;
}

void PhoneFileChannel::cancel() {
    std::shared_ptr<FileTransferMgr> channel;
    {
        std::lock_guard lock(mutex_);
        channel = std::exchange(channel_, nullptr);
    }
    if (channel) {
        channel->Cancel();
    }
}

std::shared_ptr<FileTransferMgr> PhoneFileChannel::current() const {
    std::lock_guard lock(mutex_);
    return channel_;
}

}  // namespace pd
