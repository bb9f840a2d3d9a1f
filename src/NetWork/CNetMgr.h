#pragma once
// The link engine: one object per link to the computer's control service. Its state (the
// outbox, the flags, the result store and the callback slots) lives in a LinkState shared with
// the link loop, so the engine may be destroyed at any moment, even from inside one of its
// callbacks on the link thread: the socket is shut at once and the loop leaves at its next step.

#include "NetWork/LinkResults.h"
#include "NetWork/LinkState.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace pd {

// Who the phone says it is in the handshake. The owner of the link supplies it (the device
// identity lives above the link engine); tests may leave it empty.
struct LinkIdentity {
    std::string deviceName;
    std::string deviceUUID;
};

class CNetMgr {
  public:
    explicit CNetMgr(LinkIdentity identity = {});
    ~CNetMgr();
    CNetMgr(const CNetMgr&) = delete;
    CNetMgr& operator=(const CNetMgr&) = delete;

    // Connects and runs the link on the calling thread until it ends. False at once when the
    // engine already has a socket or none can be created; true when the loop has ended.
    bool Connect(const std::string& host, int port, const std::string& checkCode);
    // The same connect as a task that needs only the link's shared state: it may run on another
    // thread after this engine is gone (it then returns at once).
    std::function<bool()> ConnectTask(std::string host, int port, std::string checkCode);

    // Places a message in the one-message outbox (replacing an unsent one); true.
    bool QueueMessage(std::int32_t code, std::string_view packedBody);
    // Sets the request number and queues the body built with it, in one step.
    bool QueueRequest(std::int32_t reqId, std::int32_t code, std::string_view packedBody,
                      std::uint64_t* fileCommandsSentBefore = nullptr) {
        return state_->queueRequest(reqId, code, packedBody, fileCommandsSentBefore);
    }
    std::int32_t reqID() const { return state_->m_ReqID.load(); }

    // Marks a heartbeat due; the link thread writes it, so it never interleaves with a frame.
    void HeartbeatPacket();

    void setBlock(LinkState::Slot slot, Block block) { state_->setBlock(slot, std::move(block)); }
    void setLinkStateBlock(LinkStateBlock block) { state_->setLinkStateBlock(std::move(block)); }

    // A consistent copy of every stored result.
    LinkResults results() const { return state_->snapshot(); }

    bool isConnected() const { return state_->m_bConnected.load(); }
    bool isAuthenticated() const { return results().authSucess; }
    const std::string& deviceUUID() const { return state_->m_DeviceUUID; }
    const std::string& deviceInfo() const { return state_->m_DeviceInfo; }

    // For tests of the dispatcher without a socket.
    const std::shared_ptr<LinkState>& state() const { return state_; }

  private:
    std::shared_ptr<LinkState> state_;
};

}  // namespace pd
