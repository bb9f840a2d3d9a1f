#include "services/OnlineReport.h"

#include "platform/Log.h"
#include "platform/RepeatingTimer.h"
#include "platform/ToolPackage.h"
#include "services/UpgradeDevInfo.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace pd {

namespace {

constexpr std::chrono::milliseconds kSocketTimeout{5000};
constexpr int kWaitMs = 30000;
// After a failed wait that is not an interruption, before waiting again: the loop stays alive
// without spinning on an error that persists.
constexpr std::chrono::seconds kErrorPause{1};

}  // namespace

OnlineReport& OnlineReport::ShareInstance() {
    static auto* instance = new OnlineReport();  // lives to the end of the process
    return *instance;
}

OnlineReport::OnlineReport(std::shared_ptr<ReportEdges> edges,
                           std::optional<report::ReportIdentity> identity)
    : edges_(std::move(edges)), identity_(std::move(identity)) {}

OnlineReport::~OnlineReport() {
    stop();
}

void OnlineReport::stop() {
    {
        std::lock_guard lock(mutex_);
        if (!started_) {
            return;
        }
        stopping_ = true;
    }
    stopped_.notify_all();
    wake();
    if (thread_.joinable()) {
        thread_.join();
    }
    timer_.reset();  // waits for a running tick, which uses wakeFd_
    if (m_socket >= 0) {
        edges_->closeSocket(m_socket);
        m_socket = -1;
    }
    if (const int fd = wakeFd_.exchange(-1); fd >= 0) {
        ::close(fd);
    }
    keepLive_ = {};
    bnStat_ = {};
    bSend = true;
    bSendKeep = false;
    bSendBnStat = 0;
    std::lock_guard lock(mutex_);
    started_ = false;
    stopping_ = false;
}

report::ReportIdentity OnlineReport::standardIdentity() {
    const std::string& version = ToolPackage::GetAppVersion();
    return {UpgradeDevInfo::GetUUID(), UpgradeDevInfo::Get16bitMD5(version),
            report::BuildLongVersion(version)};
}

bool OnlineReport::ConnectOnlineServer(const report::ReportEndpoint& dispatcher) {
    if (dispatcher.host.empty()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (started_) {
        return false;
    }
    const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) {
        PD_LOG_WARN("usage reports: no eventfd ({}); not started", errno);
        return false;
    }
    wakeFd_ = fd;
    started_ = true;
    thread_ = std::thread([this, dispatcher] { run(dispatcher); });
    return true;
}

bool OnlineReport::started() const {
    std::lock_guard lock(mutex_);
    return started_;
}

void OnlineReport::SubmitBnClickStat(std::uint32_t number) {
    bnID = number;
    bSendBnStat = 1;
    wake();
}

void OnlineReport::wake() {
    const int fd = wakeFd_;
    if (fd >= 0) {
        const std::uint64_t one = 1;
        while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
}

void OnlineReport::drainWake() {
    std::uint64_t count = 0;
    while (::read(wakeFd_, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

void OnlineReport::run(report::ReportEndpoint dispatcher) {
    if (!identity_) {
        identity_ = standardIdentity();
    }
    const auto address = edges_->resolve(dispatcher.host);
    if (!address) {
        PD_LOG_DEBUG("usage reports: {} does not resolve; reports stay off", dispatcher.host);
        return;
    }
    dispatcher_.sin_family = AF_INET;
    dispatcher_.sin_addr = *address;
    dispatcher_.sin_port = htons(dispatcher.port);
    m_socket = edges_->openSocket(kSocketTimeout);
    if (m_socket < 0) {
        PD_LOG_DEBUG("usage reports: no socket ({}); reports stay off", errno);
        return;
    }
    NetSocketProcess();
}

void OnlineReport::NetSocketProcess() {
    while (!stopping_) {
        sendDue();
        std::array<pollfd, 2> fds{{{m_socket, POLLIN, 0}, {wakeFd_, POLLIN, 0}}};
        const int ready = edges_->poll(fds.data(), fds.size(), kWaitMs);
        if (ready < 0) {
            if (errno != EINTR) {
                PD_LOG_DEBUG("usage reports: wait failed ({}); waiting again", errno);
                pauseAfterError();
            }
            continue;
        }
        if (fds[1].revents & POLLIN) {
            drainWake();  // before the due flags are read again, so no mark is lost
        }
        if (fds[0].revents & (POLLIN | POLLERR)) {
            RecvData();
        }
    }
    // A statistic submitted just before the stop still goes, if its server is known.
    if (bSendBnStat.exchange(0) != 0) {
        ReportBnStatData();
    }
}

void OnlineReport::pauseAfterError() {
    std::unique_lock lock(mutex_);
    stopped_.wait_for(lock, kErrorPause, [this] { return stopping_.load(); });
}

void OnlineReport::sendDue() {
    if (bSend.exchange(false)) {
        ReqSerInfoData(report::ServerKind::KeepAlive);
        ReqSerInfoData(report::ServerKind::Statistics);
    }
    if (bSendKeep.exchange(false)) {
        ReportKeepLiveData();
    }
    if (bSendBnStat.exchange(0) != 0) {
        ReportBnStatData();
    }
}

void OnlineReport::RecvData() {
    std::array<std::uint8_t, report::kMaxReplySize> buffer{};
    while (!stopping_) {
        sockaddr_in from{};
        const ssize_t n = edges_->receiveFrom(m_socket, buffer, from);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;  // drained, or an error the next datagram does not share
        }
        // Only the dispatcher may name the report servers.
        if (from.sin_addr.s_addr != dispatcher_.sin_addr.s_addr ||
            from.sin_port != dispatcher_.sin_port) {
            PD_LOG_DEBUG("usage reports: ignored a datagram from a stranger");
            continue;
        }
        const auto info =
            report::parseServerInfoReply(std::span(buffer).first(static_cast<std::size_t>(n)));
        if (info) {
            handleReply(*info);
        }
    }
}

void OnlineReport::handleReply(const report::ServerInfo& info) {
    Server& server = info.kind == report::ServerKind::KeepAlive ? keepLive_ : bnStat_;
    server.port = info.port;
    if (info.port == 0) {
        return;
    }
    server.ip = info.address;
    // The schedule starts with the first usable answer; later answers only move the server.
    if (info.kind == report::ServerKind::KeepAlive && !timer_) {
        timer_ = edges_->startKeepAliveTimer(kKeepAliveInterval, [this] {
            bSendKeep = true;
            wake();
        });
    }
}

void OnlineReport::ReqSerInfoData(report::ServerKind kind) {
    const auto request = report::buildServerInfoRequest(kind, identity_->pcid);
    sendDatagram(request, {}, 0);
}

void OnlineReport::ReportKeepLiveData() {
    if (keepLive_.port == 0) {
        return;
    }
    sendDatagram(report::buildKeepAliveReport(*identity_), keepLive_.ip, keepLive_.port);
}

void OnlineReport::ReportBnStatData() {
    if (bnStat_.port == 0) {
        return;  // the statistics server is not known: this number is dropped
    }
    sendDatagram(report::buildStatisticsReport(*identity_, edges_->now(), bnID), bnStat_.ip,
                 bnStat_.port);
}

// To the dispatcher when `host` is empty, else to that server.
void OnlineReport::sendDatagram(std::span<const std::uint8_t> bytes, const std::string& host,
                                std::uint16_t port) {
    sockaddr_in to = dispatcher_;
    if (!host.empty()) {
        const auto address = edges_->resolve(host);
        if (!address) {
            PD_LOG_DEBUG("usage reports: {} does not resolve; report not sent", host);
            return;
        }
        to.sin_addr = *address;
        to.sin_port = htons(port);
    }
    while (edges_->sendTo(m_socket, bytes, to) < 0) {
        if (errno != EINTR) {
            PD_LOG_DEBUG("usage reports: send failed ({})", errno);
            return;
        }
    }
}

}  // namespace pd
