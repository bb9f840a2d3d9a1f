#include "NetWork/FileTransferMgr.h"

#include "platform/Log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace pd {

FileTransferMgr::FileTransferMgr(std::int32_t sessionId, std::shared_ptr<UploadSource> source)
    : sesstionID(sessionId),
      fileName(source ? source->name() : std::string()),
      dataSend_(std::move(source)) {}

FileTransferMgr::~FileTransferMgr() {
    CloseSocket();
}

void FileTransferMgr::setDataSend(std::shared_ptr<UploadSource> source) {
    std::lock_guard lock(mutex_);
    dataSend_ = std::move(source);
}

int FileTransferMgr::socketDescriptor() const {
    std::lock_guard lock(mutex_);
    return m_socket;
}

bool FileTransferMgr::InitSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (m_socket >= 0) {
        ::close(m_socket);
    }
    m_socket = fd;
    return true;
}

bool FileTransferMgr::SetTimeOut(int milliseconds, int type) {
    timeval tv{};
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = (milliseconds % 1000) * 1000;
    std::lock_guard lock(mutex_);
    return m_socket >= 0 &&
           ::setsockopt(m_socket, SOL_SOCKET, type == 0 ? SO_RCVTIMEO : SO_SNDTIMEO, &tv,
                        sizeof tv) == 0;
}

bool FileTransferMgr::ConnectHost(const std::string& host, int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    if (port <= 0 || port > 65535 || ::inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
        return false;
    }
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    const int fd = socketDescriptor();
    if (fd < 0 || cancelled_.load()) {
        return false;
    }
    // The send time-out also bounds a blocking connect.
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
            return !cancelled_.load();
        }
        if (errno != EINTR) {
            PD_LOG_INFO("data channel to {}:{} not opened: {}", host, port, std::strerror(errno));
            return false;
        }
    }
}

bool FileTransferMgr::ConnectLanServer(const std::string& host, int port) {
    if (!InitSocket()) {
        return false;
    }
    SetTimeOut(kTimeOutMs, 0);
    SetTimeOut(kTimeOutMs, 1);
    return ConnectHost(host, port);
}

bool FileTransferMgr::sendAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        if (cancelled_.load()) {
            return false;
        }
        const ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;  // includes a send that made no progress within the time-out
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void FileTransferMgr::setSendPiece(std::size_t bytes) {
    sendPiece_.store(std::clamp<std::size_t>(bytes, 512, 16 * 1024 * 1024));
}

bool FileTransferMgr::SendData(const std::function<void(bool)>& completion) {
    std::shared_ptr<UploadSource> source;
    int fd = -1;
    {
        std::lock_guard lock(mutex_);
        source = dataSend_;
        fd = m_socket;
    }
    bool ok = source != nullptr && fd >= 0;
    if (ok) {
        const std::uint64_t size = source->size();
        const std::size_t pieceSize = sendPiece_.load();
        std::vector<char> piece(static_cast<std::size_t>(std::min<std::uint64_t>(size, pieceSize)));
        std::uint64_t offset = 0;
        while (ok && offset < size) {
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(size - offset, pieceSize));
            const std::optional<std::size_t> got = source->read(offset, {piece.data(), want});
            // A source that ends before its announced size is a failed item, not a short one.
            ok = got && *got > 0 && *got <= want && sendAll(fd, piece.data(), *got);
            offset += ok ? *got : 0;
        }
        if (ok) {
            ::shutdown(fd, SHUT_WR);  // the computer sees the end of the item
        }
    }
    ok = CloseSocket() && ok;
    if (completion) {
        completion(ok);
    }
    return ok;
}

bool FileTransferMgr::CloseSocket() {
    std::lock_guard lock(mutex_);
    if (m_socket < 0) {
        return true;
    }
    ::shutdown(m_socket, SHUT_RDWR);
    const int rc = ::close(m_socket);
    m_socket = -1;
    return rc == 0;
}

void FileTransferMgr::Cancel() {
    cancelled_.store(true);
    std::lock_guard lock(mutex_);
    if (m_socket >= 0) {
        ::shutdown(m_socket, SHUT_RDWR);  // a blocked send returns at once
    }
}

}  // namespace pd
