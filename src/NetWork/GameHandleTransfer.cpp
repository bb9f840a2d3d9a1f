#include "NetWork/GameHandleTransfer.h"

#include "platform/Log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pd {

namespace {

class SystemDatagramSockets : public DatagramSockets {
  public:
    int open() override { return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); }

    bool setTimeout(int fd, int milliseconds, int type) override {
        timeval tv{};
        tv.tv_sec = milliseconds / 1000;
        tv.tv_usec = static_cast<suseconds_t>(milliseconds % 1000) * 1000;
        return ::setsockopt(fd, SOL_SOCKET, type == 1 ? SO_SNDTIMEO : SO_RCVTIMEO, &tv,
                            sizeof tv) == 0;
    }

    bool sendTo(int fd, std::span<const std::uint8_t> data, std::uint32_t address,
                std::uint16_t port) override {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(address);
        // MSG_NOSIGNAL: a send error is a result here, never a signal.
        return ::sendto(fd, data.data(), data.size(), MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0;
    }

    bool close(int fd) override {
        ::shutdown(fd, SHUT_RDWR);  // fails with ENOTCONN on an unconnected socket: harmless
        return ::close(fd) == 0;
    }
};

}  // namespace

std::shared_ptr<DatagramSockets> DatagramSockets::system() {
    static const auto sockets = std::make_shared<SystemDatagramSockets>();
    return sockets;
}

GameHandleTransfer::GameHandleTransfer(std::shared_ptr<DatagramSockets> sockets)
    : sockets_(std::move(sockets)) {}

GameHandleTransfer::~GameHandleTransfer() {
    CloseSocket();
}

int GameHandleTransfer::ConnectServer(const std::string& ip, std::int32_t port,
                                      std::span<const std::uint8_t> data) {
    if (m_bConnect) {
        SendData(data, ip, port);
        return 1;
    }
    if (InitSocket()) {
        SetTimeOut(kSendTimeoutMs, 1);
        m_bConnect = true;
        SendData(data, ip, port);
    }
    return 0;
}

bool GameHandleTransfer::InitSocket() {
    m_socket = sockets_->open();
    if (m_socket < 0) {
        PD_LOG_WARN("gamepad: cannot create a socket: {}", std::strerror(errno));
        m_socket = -1;
        return false;
    }
    return true;
}

bool GameHandleTransfer::SetTimeOut(int milliseconds, int type) {
    return m_socket >= 0 && sockets_->setTimeout(m_socket, milliseconds, type);
}

bool GameHandleTransfer::SendData(std::span<const std::uint8_t> data, const std::string& ip,
                                  std::int32_t port) {
    in_addr address{};
    if (m_socket < 0 || port <= 0 || port > 65535 ||
        ::inet_pton(AF_INET, ip.c_str(), &address) != 1) {
        return false;
    }
    return sockets_->sendTo(m_socket, data, ntohl(address.s_addr),
                            static_cast<std::uint16_t>(port));
}

bool GameHandleTransfer::CloseSocket() {
    bool closed = true;
    if (m_socket >= 0) {
        closed = sockets_->close(m_socket);
        if (!closed) {
            PD_LOG_WARN("gamepad: closing the socket failed: {}", std::strerror(errno));
        }
    }
    // The descriptor is released even when close() reports an error, so it is never closed
    // again: by then the number may belong to another file.
    m_socket = -1;
    m_bConnect = false;
    return closed;
}

}  // namespace pd
