#include "ControlSession.h"

#include "codec/LinkCodes.h"
#include "codec/LinkFrame.h"
#include "platform/Log.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace pd::peer {

using Clock = std::chrono::steady_clock;

static constexpr std::size_t kReadChunk = 64 * 1024;

ControlSession::ControlSession(int fd, int linkId, const SessionConfig& config)
    : fd_(fd),
      linkId_(linkId),
      config_(config),
      handshake_(config.checkCode, config.directAccept, config.tickets),
      chunk_(kReadChunk) {
    int flags = ::fcntl(fd_, F_GETFL, 0);
    if (flags >= 0) {
        ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    }
    laterFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const std::string host = localHost();
    if (!config_.backupDir.empty()) {
        UploadReceiverConfig uploads{config_.backupDir, host, config_.maxUploadBytes};
        uploads_ = std::make_unique<UploadReceiver>(
            uploads, [this](std::string line) { replyLater(std::move(line)); });
    }
    dispatcher_ = std::make_unique<RequestDispatcher>(*config_.disk, *config_.classes,
                                                      config_.ports, host, uploads_.get());
    dispatcher_->setCaptureImage(config_.captureImage);
    dispatcher_->setHotspotScript(config_.hotspotScript);
}

ControlSession::~ControlSession() {
    phoneFiles_.reset();  // joins the script, which may still send
    dispatcher_.reset();
    uploads_.reset();  // joins the upload threads, which may still reply
    if (fd_ >= 0) {
        ::close(fd_);
    }
    ::close(laterFd_);
}

void ControlSession::replyLater(std::string line) {
    {
        std::lock_guard lock(laterMutex_);
        laterReplies_.push_back(line);
    }
    const std::uint64_t one = 1;
    if (::write(laterFd_, &one, sizeof one) < 0) {
        PD_LOG_WARN("link {}: reply '{}' not signalled", linkId_, line);
    }
}

void ControlSession::sendLater(PeerAnswer message) {
    {
        std::lock_guard lock(laterMutex_);
        laterMessages_.push_back(std::move(message));
    }
    const std::uint64_t one = 1;
    if (::write(laterFd_, &one, sizeof one) < 0) {
        PD_LOG_WARN("link {}: message not signalled", linkId_);
    }
}

void ControlSession::startPhoneScript() {
    const auto& script = config_.phoneScript;
    if (!script || phoneFiles_ || script->taken.exchange(true)) {
        return;
    }
    PhoneFileClientConfig config = script->config;
    config.host = localHost();
    PD_LOG_INFO("link {}: running the phone-file script ({} lines)", linkId_, config.script.size());
    phoneFiles_ = std::make_unique<PhoneFileClient>(std::move(config), [this](std::string body) {
        sendLater(
            PeerAnswer{static_cast<std::int32_t>(link::kFileMgrCommand.code), std::move(body)});
    });
    phoneFiles_->start();
}

void ControlSession::takeLaterReplies() {
    std::uint64_t count = 0;
    while (::read(laterFd_, &count, sizeof count) > 0) {
    }
    std::vector<std::string> lines;
    std::vector<PeerAnswer> messages;
    {
        std::lock_guard lock(laterMutex_);
        lines.swap(laterReplies_);
        messages.swap(laterMessages_);
    }
    for (const PeerAnswer& message : messages) {
        queue(message);
    }
    for (const std::string& line : lines) {
        PD_LOG_INFO("link {}: upload channel reply '{}'", linkId_, line);
        msg::Packer p;
        p.array(4).integer(0).integer(kOk).integer(0).raw(line);
        queue(PeerAnswer{static_cast<std::int32_t>(link::kAnswerFileCommand), p.take()});
    }
}

std::string ControlSession::localHost() const {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0 &&
        addr.sin_family == AF_INET && addr.sin_addr.s_addr != htonl(INADDR_ANY)) {
        char text[INET_ADDRSTRLEN] = {};
        if (::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text) != nullptr) {
            return text;
        }
    }
    return config_.fallbackHost;
}

void ControlSession::queue(const PeerAnswer& answer) {
    std::string frame = link::encodeMessageFrame(answer.code, answer.body);
    if (frame.empty()) {
        PD_LOG_ERROR("link {}: answer {} could not be framed; not sent", linkId_, answer.code);
        return;
    }
    if (config_.log != nullptr) {
        config_.log->message(FrameLog::Dir::Out, linkId_, answer.code, answer.body);
    }
    output_ += frame;
}

void ControlSession::queueHeartbeat() {
    if (config_.log != nullptr) {
        config_.log->heartbeat(FrameLog::Dir::Out, linkId_);
    }
    output_.append(reinterpret_cast<const char*>(link::kHeartbeatFrame.data()),
                   link::kHeartbeatFrame.size());
}

void ControlSession::onPayload(const std::string& payload) {
    std::optional<link::Envelope> envelope = link::decodeEnvelope(payload);
    if (!envelope) {
        if (config_.log != nullptr) {
            config_.log->undecodable(FrameLog::Dir::In, linkId_, payload.size());
        }
        PD_LOG_WARN("link {}: payload of {} bytes is no envelope; dropped", linkId_,
                    payload.size());
        return;
    }
    if (config_.log != nullptr) {
        config_.log->message(FrameLog::Dir::In, linkId_, envelope->code, envelope->body);
    }
    std::optional<msg::Decoded> body = msg::decode(envelope->body);
    if (!body || !body->root().isArray() ||
        envelope->code < std::numeric_limits<std::int32_t>::min() ||
        envelope->code > std::numeric_limits<std::int32_t>::max()) {
        PD_LOG_WARN("link {}: message {} has no body array; dropped", linkId_, envelope->code);
        return;
    }
    auto code = static_cast<std::int32_t>(envelope->code);
    std::optional<PeerAnswer> answer;
    if (code == link::kHello.code) {
        answer = handshake_.onHello(body->root());
    } else if (code == link::kProof.code) {
        answer = handshake_.onProof(body->root());
    } else if (!handshake_.accepted()) {
        PD_LOG_WARN("link {}: request {} before the handshake; not answered", linkId_, code);
    } else if (code == link::kPhoneCommandReply && phoneFiles_) {
        phoneFiles_->onReply(body->root());
    } else {
        answer = dispatcher_->handle(code, body->root());
    }
    if (answer) {
        queue(*answer);
    }
    if (handshake_.accepted()) {
        startPhoneScript();  // after the acceptance is queued, so it reaches the phone first
    }
}

bool ControlSession::readSome() {
    ssize_t n = ::recv(fd_, chunk_.data(), chunk_.size(), 0);
    if (n < 0) {
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    }
    if (n == 0) {
        PD_LOG_INFO("link {}: the phone closed the link", linkId_);
        return false;
    }
    reader_.feed(chunk_.data(), static_cast<std::size_t>(n));
    return true;
}

void ControlSession::onFrame(const PeerFrameReader::Frame& frame) {
    if (frame.kind == PeerFrameReader::Kind::Heartbeat) {
        if (config_.log != nullptr) {
            config_.log->heartbeat(FrameLog::Dir::In, linkId_);
        }
        queueHeartbeat();
    } else {
        onPayload(frame.payload);
    }
}

bool ControlSession::pump() {
    for (;;) {
        bool drained = false;
        while (pendingOutput() < kMaxPendingOutput) {
            std::optional<PeerFrameReader::Frame> frame = reader_.next();
            if (!frame) {
                drained = true;
                break;
            }
            onFrame(*frame);
        }
        if (!flush()) {
            return false;
        }
        // Frames left unread wait until the phone has taken enough of our output.
        if (drained || pendingOutput() >= kMaxPendingOutput) {
            return true;
        }
    }
}

bool ControlSession::flush() {
    while (outputSent_ < output_.size()) {
        ssize_t n =
            ::send(fd_, output_.data() + outputSent_, output_.size() - outputSent_, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        }
        if (n <= 0) {
            PD_LOG_INFO("link {}: write failed ({}); closing", linkId_, std::strerror(errno));
            return false;
        }
        outputSent_ += static_cast<std::size_t>(n);
    }
    if (outputSent_ == output_.size()) {
        output_.clear();
        outputSent_ = 0;
    } else if (outputSent_ > kReadChunk) {
        output_.erase(0, outputSent_);
        outputSent_ = 0;
    }
    return true;
}

void ControlSession::run(int stopFd) {
    Clock::time_point nextHeartbeat = Clock::now() + config_.heartbeat;
    bool open = true;
    while (open) {
        std::size_t pending = pendingOutput();
        pollfd fds[3] = {};
        fds[0].fd = fd_;
        fds[0].events = static_cast<short>((pending < kMaxPendingOutput ? POLLIN : 0) |
                                           (pending > 0 ? POLLOUT : 0));
        fds[1].fd = laterFd_;
        fds[1].events = POLLIN;
        fds[2].fd = stopFd;
        fds[2].events = POLLIN;
        auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(nextHeartbeat - Clock::now());
        int timeout = static_cast<int>(std::max<std::int64_t>(0, wait.count()));
        int ready = ::poll(fds, stopFd >= 0 ? 3 : 2, timeout);
        if (ready < 0 && errno != EINTR) {
            PD_LOG_ERROR("link {}: poll failed: {}", linkId_, std::strerror(errno));
            break;
        }
        if (ready < 0) {
            continue;
        }
        if (stopFd >= 0 && (fds[2].revents & POLLIN) != 0) {
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            takeLaterReplies();
        }
        if (Clock::now() >= nextHeartbeat) {
            // A phone that reads nothing does not get an ever longer queue of heartbeats.
            if (pending < kMaxPendingOutput) {
                queueHeartbeat();
            }
            nextHeartbeat = Clock::now() + config_.heartbeat;
        }
        short revents = fds[0].revents;
        if ((revents & POLLNVAL) != 0) {
            break;
        }
        if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            open = readSome();
        }
        if (open) {
            open = pump();
        }
    }
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace pd::peer
