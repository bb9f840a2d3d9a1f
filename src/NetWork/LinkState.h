#pragma once
// The state of one link, shared by the engine's owner (CNetMgr) and the link loop. The loop
// holds its own reference, so the owner may be destroyed at any time, even from inside a link
// callback: the loop then sees `stopped` at its next step and leaves without touching the owner.
//
// Lock order: `mutex` only; callbacks are copied out under it and called after it is released.

#include "NetWork/LinkResults.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace pd {

using Block = std::function<void()>;
using LinkStateBlock = std::function<void(int)>;

struct BaseMessage {
    std::int32_t msgId = 0;
    std::string msgBuf;  // packed body array
};

class LinkState {
  public:
    LinkState();
    ~LinkState();
    LinkState(const LinkState&) = delete;
    LinkState& operator=(const LinkState&) = delete;

    // --- identity and handshake (set before the loop starts; read on the link thread)
    std::string m_DeviceName;
    std::string m_DeviceUUID;
    std::string m_DeviceInfo;
    std::string m_InputPassWord;

    // --- socket; written under `mutex`, the loop is the only closer once it runs
    int m_socket = -1;
    int wakeFd = -1;  // eventfd: a queued message, a due heartbeat or a stop wakes the loop
    std::atomic<bool> stopped{false};
    std::atomic<bool> loopRunning{false};
    std::atomic<bool> m_bConnected{false};
    // Link thread only: why the connection failed before the loop started (0: it did not).
    int connectError = 0;

    std::atomic<std::int32_t> m_ReqID{0};

    // Queues a message in the one-message outbox (replacing an unsent one) and wakes the loop.
    // The first message of a link is replaced by the handshake hello.
    bool queueMessage(std::int32_t code, std::string_view body);
    // Same, and sets the request number in the same step, so that concurrent requests never
    // leave the number of one with the body of another. `fileCommandsSentBefore` (if given)
    // receives the number of upload-channel commands written before this message can be.
    bool queueRequest(std::int32_t reqId, std::int32_t code, std::string_view body,
                      std::uint64_t* fileCommandsSentBefore = nullptr);
    // Marks a heartbeat due and wakes the loop; the link thread writes the frame.
    void markHeartbeatDue();
    void wake();
    void drainWake();

    // Link thread: takes the outbox frame if one is due.
    bool takeOutbox(std::string& frame);
    bool takeHeartbeatDue();
    bool wantsToWrite();

    // --- result store
    LinkResults snapshot();
    template <typename F>
    void updateResults(F&& f) {
        std::lock_guard lock(mutex);
        f(results);
    }

    // --- callback slots. A registration replaces the previous one and is consumed by the
    // call: the callback is moved out before it runs, so it may register again.
    enum class Slot { Command, Stor, Error, Wifi, TransferDone };
    void setBlock(Slot slot, Block b);
    void setLinkStateBlock(LinkStateBlock b);
    bool hasBlock(Slot slot);
    // Calls the slot's callback if one is registered, outside the lock.
    void callBlock(Slot slot);
    void callLinkState(int state);

    std::mutex mutex;

  private:
    Block& slotRef(Slot slot);

    Block m_commandBlock;
    Block m_commandStorBlock;
    Block m_commandErrorBlock;
    Block m_CNetWifiBlock;
    Block m_transferDoneBlock;
    LinkStateBlock m_CNetMgrBlock;

    // Guarded by `mutex`.
    LinkResults results;
    bool m_bFirstConnect = true;
    bool m_bCanSend = false;
    bool m_bHeartbeatPacket = false;
    BaseMessage m_baseMessage;
};

}  // namespace pd
