#pragma once
// The usage report client. Started with a dispatcher's address, it asks the dispatcher once for
// a keep-alive server and a statistics server, then sends a keep-alive report at once and every
// 300 s, and one statistics report for each button number submitted. Nothing is shown to the
// user and failures are only logged.
//
// Off unless started: until ConnectOnlineServer() is given a dispatcher, nothing is resolved,
// no socket is opened and nothing is sent. SubmitBnClickStat() may be called from any thread;
// the service loop runs on a thread of its own and sleeps in poll() until a datagram arrives
// or a report falls due (an eventfd marks that), so an idle client costs next to no CPU.

#include "services/ReportEdges.h"
#include "services/ReportHost.h"
#include "services/ReportMessages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace pd {

class RepeatingTimer;

class OnlineReport {
  public:
    static constexpr std::chrono::seconds kKeepAliveInterval{300};

    // The process-wide client; created on first call and never destroyed.
    static OnlineReport& ShareInstance();

    // `identity` empty: the device identifier and the application version's.
    explicit OnlineReport(std::shared_ptr<ReportEdges> edges = std::make_shared<ReportEdges>(),
                          std::optional<report::ReportIdentity> identity = std::nullopt);
    // Stops the service loop and closes the socket.
    ~OnlineReport();
    // Sends a statistic still due, stops the service loop and waits for it, and closes the
    // socket; the client may be started again. The process ends only after this: a loop still
    // running would race the library's teardown at exit.
    void stop();
    OnlineReport(const OnlineReport&) = delete;
    OnlineReport& operator=(const OnlineReport&) = delete;

    // Starts the client against this dispatcher and returns at once. Does nothing (and returns
    // false) for an empty host or when already started.
    bool ConnectOnlineServer(const report::ReportEndpoint& dispatcher);
    bool started() const;
    // Marks a statistics report with this button number as due. Only the last number submitted
    // before the loop sends goes out; before the statistics server is known it is dropped.
    void SubmitBnClickStat(std::uint32_t bnID);

    // The identity of this installation's reports.
    static report::ReportIdentity standardIdentity();

  private:
    struct Server {
        std::string ip;
        std::uint16_t port = 0;
    };

    void run(report::ReportEndpoint dispatcher);
    void NetSocketProcess();
    void sendDue();
    void RecvData();
    void handleReply(const report::ServerInfo& info);
    void ReqSerInfoData(report::ServerKind kind);
    void ReportKeepLiveData();
    void ReportBnStatData();
    void sendDatagram(std::span<const std::uint8_t> bytes, const std::string& host,
                      std::uint16_t port);
    void wake();
    void drainWake();
    void pauseAfterError();

    std::shared_ptr<ReportEdges> edges_;
    std::optional<report::ReportIdentity> identity_;

    // Shared with SubmitBnClickStat and the keep-alive timer.
    std::atomic<bool> bSend{true};
    std::atomic<bool> bSendKeep{false};
    std::atomic<std::uint32_t> bSendBnStat{0};
    std::atomic<std::uint32_t> bnID{0};
    std::atomic<bool> stopping_{false};
    std::atomic<int> wakeFd_{-1};

    mutable std::mutex mutex_;
    std::condition_variable stopped_;  // ends a pause after an error early
    bool started_ = false;             // guarded by mutex_

    // Service loop only.
    int m_socket = -1;
    sockaddr_in dispatcher_{};
    Server keepLive_;
    Server bnStat_;
    std::unique_ptr<RepeatingTimer> timer_;

    std::thread thread_;
};

}  // namespace pd
