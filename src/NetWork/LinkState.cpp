#include "NetWork/LinkState.h"

#include "platform/Log.h"

#include "NetWork/LinkHandshake.h"
#include "codec/LinkCodes.h"
#include "codec/LinkFrame.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace pd {

LinkState::LinkState() {
    wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

LinkState::~LinkState() {
    if (m_socket >= 0) {
        ::close(m_socket);
    }
    if (wakeFd >= 0) {
        ::close(wakeFd);
    }
}

void LinkState::wake() {
    if (wakeFd >= 0) {
        const std::uint64_t one = 1;
        // A full counter still leaves the loop readable; nothing to do on failure.
        [[maybe_unused]] const ssize_t n = ::write(wakeFd, &one, sizeof one);
    }
}

void LinkState::drainWake() {
    std::uint64_t value = 0;
    while (::read(wakeFd, &value, sizeof value) > 0) {
    }
}

bool LinkState::queueMessage(std::int32_t code, std::string_view body) {
    return queueRequest(-1, code, body);
}

bool LinkState::queueRequest(std::int32_t reqId, std::int32_t code, std::string_view body,
                             std::uint64_t* fileCommandsSentBefore) {
    {
        std::lock_guard lock(mutex);
        if (fileCommandsSentBefore != nullptr) {
            *fileCommandsSentBefore = results.fileCommandsSent;
        }
        if (m_bFirstConnect) {
            m_bFirstConnect = false;
            m_ReqID.store(link::kHello.number);
            m_baseMessage.msgId = link::kHello.code;
            m_baseMessage.msgBuf = link::buildHelloBody(m_DeviceInfo);
        } else {
            if (reqId >= 0) {
                m_ReqID.store(reqId);
            }
            m_baseMessage.msgId = code;
            m_baseMessage.msgBuf.assign(body.data(), body.size());
        }
        PD_LOG_DEBUG("request {} (number {}) queued", m_baseMessage.msgId, m_ReqID.load());
        m_bCanSend = true;
    }
    wake();
    return true;
}

void LinkState::markHeartbeatDue() {
    {
        std::lock_guard lock(mutex);
        m_bHeartbeatPacket = true;
    }
    wake();
}

bool LinkState::takeOutbox(std::string& frame) {
    std::lock_guard lock(mutex);
    if (!m_bCanSend) {
        return false;
    }
    frame = link::encodeMessageFrame(m_baseMessage.msgId, m_baseMessage.msgBuf);
    m_bCanSend = false;
    if (m_baseMessage.msgId == link::kFileMgrCommand.code) {
        ++results.fileCommandsSent;  // written right after; a replaced command never counts
    }
    return true;
}

bool LinkState::takeHeartbeatDue() {
    std::lock_guard lock(mutex);
    const bool due = m_bHeartbeatPacket;
    m_bHeartbeatPacket = false;
    return due;
}

bool LinkState::wantsToWrite() {
    std::lock_guard lock(mutex);
    return m_bCanSend || m_bHeartbeatPacket;
}

LinkResults LinkState::snapshot() {
    std::lock_guard lock(mutex);
    return results;
}

Block& LinkState::slotRef(Slot slot) {
    switch (slot) {
        case Slot::Command:
            return m_commandBlock;
        case Slot::Stor:
            return m_commandStorBlock;
        case Slot::Error:
            return m_commandErrorBlock;
        case Slot::TransferDone:
            return m_transferDoneBlock;
        case Slot::Wifi:
            break;
    }
    return m_CNetWifiBlock;
}

void LinkState::setBlock(Slot slot, Block b) {
    std::lock_guard lock(mutex);
    slotRef(slot) = std::move(b);
}

bool LinkState::hasBlock(Slot slot) {
    std::lock_guard lock(mutex);
    return static_cast<bool>(slotRef(slot));
}

void LinkState::setLinkStateBlock(LinkStateBlock b) {
    std::lock_guard lock(mutex);
    m_CNetMgrBlock = std::move(b);
}

void LinkState::callBlock(Slot slot) {
    Block b;
    {
        std::lock_guard lock(mutex);
        b = std::move(slotRef(slot));
        slotRef(slot) = nullptr;
    }
    if (b) {
        b();
    }
}

void LinkState::callLinkState(int state) {
    LinkStateBlock b;
    {
        std::lock_guard lock(mutex);
        b = std::move(m_CNetMgrBlock);
        m_CNetMgrBlock = nullptr;
    }
    if (b) {
        b(state);
    }
}

}  // namespace pd
