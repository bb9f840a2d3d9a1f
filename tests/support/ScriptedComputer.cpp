#include "support/ScriptedComputer.h"

#include "codec/LinkFrame.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace pd::test {

ScriptedComputer::ScriptedComputer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listenFd_, 4);
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
}

ScriptedComputer::~ScriptedComputer() {
    closeLink();
    ::close(listenFd_);
}

void ScriptedComputer::closeLink() {
    if (linkFd_ >= 0) {
        ::close(linkFd_);
        linkFd_ = -1;
    }
}

bool ScriptedComputer::accept(std::chrono::milliseconds limit) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(limit.count())) <= 0) {
        return false;
    }
    linkFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    return linkFd_ >= 0;
}

bool ScriptedComputer::readExact(std::string& out, std::size_t n, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    out.clear();
    while (out.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{linkFd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buf[4096];
        const ssize_t got = ::recv(linkFd_, buf, std::min(sizeof buf, n - out.size()), 0);
        if (got <= 0) {
            return false;
        }
        out.append(buf, static_cast<std::size_t>(got));
    }
    return true;
}

std::optional<ReceivedFrame> ScriptedComputer::readFrame(std::chrono::milliseconds limit) {
    std::string header;
    if (!readExact(header, link::kHeaderSize, limit)) {
        return std::nullopt;
    }
    const auto* h = reinterpret_cast<const std::uint8_t*>(header.data());
    const std::uint32_t length = (std::uint32_t(h[2]) << 24) | (std::uint32_t(h[3]) << 16) |
                                 (std::uint32_t(h[4]) << 8) | std::uint32_t(h[5]);
    ReceivedFrame frame;
    if (length <= 4) {
        frame.heartbeat = true;
        return frame;
    }
    std::string payload;
    if (!readExact(payload, length - 4, limit)) {
        return std::nullopt;
    }
    auto env = link::decodeEnvelope(payload);
    if (!env) {
        return std::nullopt;
    }
    frame.code = env->code;
    frame.body = std::string(env->body);
    return frame;
}

std::optional<ReceivedFrame> ScriptedComputer::readMessage(std::chrono::milliseconds limit) {
    while (auto f = readFrame(limit)) {
        if (!f->heartbeat) {
            return f;
        }
    }
    return std::nullopt;
}

bool ScriptedComputer::sendRaw(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(linkFd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ScriptedComputer::sendMessage(std::int32_t code, std::string_view packedBody) {
    return sendRaw(link::encodeMessageFrame(code, packedBody));
}

void ScriptedComputer::limitReceiveBuffer(int bytes) {
    ::setsockopt(listenFd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);  // inherited on accept
}

bool ScriptedComputer::peerClosed(std::chrono::milliseconds limit, std::string* received) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{linkFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            char buf[4096];
            const ssize_t n = ::recv(linkFd_, buf, sizeof buf, 0);
            if (n <= 0) {
                return true;
            }
            if (received) {
                received->append(buf, static_cast<std::size_t>(n));
            }
        }
    }
    return false;
}

Elem I(std::int64_t v) {
    return [v](msg::Packer& p) { p.integer(v); };
}
Elem R(std::string v) {
    return [v = std::move(v)](msg::Packer& p) { p.raw(v); };
}
Elem A(std::vector<Elem> items) {
    return [items = std::move(items)](msg::Packer& p) {
        p.array(static_cast<std::uint32_t>(items.size()));
        for (const auto& e : items)
            e(p);
    };
}
std::string pack(std::vector<Elem> items) {
    msg::Packer p;
    A(std::move(items))(p);
    return p.take();
}

}  // namespace pd::test
