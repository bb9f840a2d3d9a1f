#pragma once
// The computer's HTTP file service. A phone fetches a file of the disk tree with a signed link
//
//     GET /<escaped path>?d=<device UUID>&k=<key>
//
// where key = md5hex("/" + escaped path + ticket + salt), the escaped path exactly as it stands
// in the request line and the ticket one our handshake issued to that device (TicketBook).
// Anything else is refused with 403 before the disk is looked at. Files only: folders, missing
// entries and paths that lead out of the root are 404. One range per request ("bytes=N-",
// "bytes=N-M", "bytes=-N") gets 206 with "Content-Range: bytes first-last/total"; a range
// that starts beyond the end gets 416 with "Content-Range: bytes */total".
//
// Bodies are streamed from the open file in 1 MiB chunks, never held whole in memory. The
// fault flags (HttpFaults) make it misbehave on purpose for download tests: cut or paced
// bodies, Range ignored or refused, no length, a short length, an endless body.

#include "BoundedHttpServer.h"
#include "DiskTree.h"
#include "PeerOptions.h"
#include "TicketBook.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace pd::peer {

class HttpFileService {
  public:
    static constexpr std::size_t kChunkBytes = 1024 * 1024;
    static constexpr std::size_t kMaxHeaders = 64;
    // Connections served at once (the phone runs up to 100 downloads); more wait their turn.
    static constexpr std::size_t kWorkerThreads = 128;

    // Listens on address:port (port 0: an ephemeral one); nullptr with a logged error when it
    // cannot. `tickets` must outlive the service.
    static std::unique_ptr<HttpFileService> start(const std::string& address, std::uint16_t port,
                                                  const DiskTree& disk, const TicketBook& tickets,
                                                  const HttpFaults& faults = {});
    ~HttpFileService();
    HttpFileService(const HttpFileService&) = delete;
    HttpFileService& operator=(const HttpFileService&) = delete;

    std::uint16_t port() const { return port_; }
    // Ends every transfer and joins the worker threads; safe to call twice.
    void stop();

  private:
    struct Body;

    HttpFileService(const DiskTree& disk, const TicketBook& tickets, const HttpFaults& faults);
    void configure();
    void handle(const httplib::Request& req, httplib::Response& res);
    bool signedLink(const httplib::Request& req, std::string_view escapedPath) const;
    void serveFile(const httplib::Request& req, httplib::Response& res, int fd,
                   std::uint64_t total);
    // Sends up to `length` bytes of the body from `offset` on (counted from the body's start).
    bool provide(Body& body, std::uint64_t offset, std::size_t length, httplib::DataSink& sink);
    // Waits until `when`; false when the service stops first.
    bool waitUntil(std::chrono::steady_clock::time_point when);

    DiskTree disk_;
    const TicketBook& tickets_;
    HttpFaults faults_;
    std::size_t chunk_;
    BoundedHttpServer server_;
    std::thread thread_;
    std::uint16_t port_ = 0;

    std::mutex stopMutex_;
    std::condition_variable stopWake_;
    std::atomic<bool> stopping_{false};
    bool stopped_ = false;
};

}  // namespace pd::peer
