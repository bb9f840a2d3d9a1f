#include "NetWork/CNetMgr.h"

#include "NetWork/LinkLoop.h"

#include <sys/socket.h>

namespace pd {

CNetMgr::CNetMgr(LinkIdentity identity) : state_(std::make_shared<LinkState>()) {
    state_->m_DeviceName = std::move(identity.deviceName);
    state_->m_DeviceUUID = std::move(identity.deviceUUID);
    state_->m_DeviceInfo = state_->m_DeviceName + "-" + state_->m_DeviceUUID;
}

CNetMgr::~CNetMgr() {
    state_->stopped.store(true);
    {
        std::lock_guard lock(state_->mutex);
        if (state_->m_socket >= 0) {
            // The loop closes the descriptor when it leaves; shutting it now ends the link at once.
            ::shutdown(state_->m_socket, SHUT_RDWR);
        }
    }
    state_->wake();
}

namespace {

bool runConnect(const std::shared_ptr<LinkState>& state, const std::string& host, int port,
                const std::string& checkCode) {
    if (state->stopped.load() || state->loopRunning.exchange(true)) {
        return false;
    }
    state->m_InputPassWord = checkCode;
    if (!link::openSocket(*state, host, port)) {
        state->loopRunning.store(false);
        return false;
    }
    state->queueMessage(0, {});  // replaced by the handshake hello
    link::runLinkLoop(state);
    return true;
}

}  // namespace

bool CNetMgr::Connect(const std::string& host, int port, const std::string& checkCode) {
    // Our own reference: `this` may be destroyed by a callback while the loop runs.
    return runConnect(std::shared_ptr<LinkState>(state_), host, port, checkCode);
}

std::function<bool()> CNetMgr::ConnectTask(std::string host, int port, std::string checkCode) {
    return [state = state_, host = std::move(host), port, code = std::move(checkCode)] {
        return runConnect(state, host, port, code);
    };
}

bool CNetMgr::QueueMessage(std::int32_t code, std::string_view packedBody) {
    return state_->queueMessage(code, packedBody);
}

void CNetMgr::HeartbeatPacket() {
    state_->markHeartbeatDue();
}

}  // namespace pd
