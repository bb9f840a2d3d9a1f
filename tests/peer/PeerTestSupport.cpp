#include "PeerTestSupport.h"

#include "codec/LinkFrame.h"
#include "platform/Md5.h"
#include "support/ScriptedComputer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cerrno>
#include <fstream>

namespace pd::peer::test {

namespace fs = std::filesystem;
using pd::test::I;
using pd::test::pack;
using pd::test::R;

void writeFile(const fs::path& file, std::size_t size, std::int64_t mtime) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << std::string(size, 'x');
    if (mtime != 0) {
        utimbuf times{static_cast<time_t>(mtime), static_cast<time_t>(mtime)};
        ::utime(file.c_str(), &times);
    }
}

int connectLoopback(std::uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

LinkClient::Message LinkClient::message(std::int64_t code, std::string body) {
    Message m;
    m.code = code;
    m.body = std::make_shared<const std::string>(std::move(body));
    if (std::optional<msg::Decoded> d = msg::decode(*m.body)) {
        m.decoded = std::make_shared<const msg::Decoded>(std::move(*d));
    }
    return m;
}

LinkClient::LinkClient(int fd) : fd_(fd) {
    const timeval limit{5, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

LinkClient::~LinkClient() {
    close();
}

void LinkClient::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void LinkClient::sendRaw(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void LinkClient::send(std::int32_t code, std::string_view packedBody) {
    sendRaw(link::encodeMessageFrame(code, packedBody));
}

void LinkClient::sendHeartbeat() {
    sendRaw(std::string_view(reinterpret_cast<const char*>(link::kHeartbeatFrame.data()),
                             link::kHeartbeatFrame.size()));
}

std::optional<PeerFrameReader::Frame> LinkClient::nextFrame() {
    for (;;) {
        if (std::optional<PeerFrameReader::Frame> f = reader_.next()) {
            return f;
        }
        char buf[65536];
        const ssize_t n = eof_ ? 0 : ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) {
            eof_ = eof_ || n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);  // not a time-out
            return std::nullopt;
        }
        reader_.feed(buf, static_cast<std::size_t>(n));
    }
}

std::optional<LinkClient::Message> LinkClient::nextMessage() {
    std::optional<PeerFrameReader::Frame> f = nextFrame();
    while (f && f->kind == PeerFrameReader::Kind::Heartbeat) {
        f = nextFrame();
    }
    std::optional<link::Envelope> env = f ? link::decodeEnvelope(f->payload) : std::nullopt;
    if (!env) {
        return std::nullopt;
    }
    return message(env->code, std::string(env->body));
}

bool LinkClient::nextIsHeartbeat() {
    std::optional<PeerFrameReader::Frame> f = nextFrame();
    return f && f->kind == PeerFrameReader::Kind::Heartbeat;
}

bool LinkClient::waitClosed() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!eof_ && std::chrono::steady_clock::now() < deadline) {
        nextFrame();
    }
    return eof_;
}

std::optional<std::int32_t> LinkClient::handshake(const std::string& code,
                                                  const std::string& deviceInfo) {
    send(39, pack({I(255), R(deviceInfo), I(2), R("AUTH2"), R("00:00:00:11:11:11")}));
    std::optional<Message> challenge = nextMessage();
    if (!challenge || challenge->code != 1000 || challenge->root()[1].asInt32() != 1) {
        return std::nullopt;
    }
    std::string c(challenge->root()[2].asRaw().value_or(""));
    std::string nonce = "AbCd1234";
    send(0, pack({I(256), R(deviceInfo), I(2), R("AUTH1"), R(nonce), R(c),
                  R(md5HexLower(deviceInfo + nonce + code + c)), R("00:00:00:11:11:11")}));
    std::optional<Message> answer = nextMessage();
    if (!answer || answer->code != 1000) {
        return std::nullopt;
    }
    return answer->root()[1].asInt32();
}

}  // namespace pd::peer::test
