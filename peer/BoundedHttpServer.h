#pragma once
// An httplib server with bounded connections. It runs each connection itself (keep-alive loop
// over a BoundedSocketStream) so that a request may read at most kMaxRequestBytes, a
// connection serves at most its keep-alive count, and closeConnections() ends every open one
// at once so that stop() does not wait for long transfers or idle clients.
//
// Range headers are left to the handlers: httplib's own range handling is switched off (the
// header stays readable in the request).

#include <httplib.h>

#include <cstddef>
#include <mutex>
#include <set>

namespace pd::peer {

class BoundedHttpServer : public httplib::Server {
  public:
    // Request line and headers together; the request line alone is capped by httplib (414).
    static constexpr std::size_t kMaxRequestBytes = 32 * 1024;

    // Shuts every open connection down (reads end, writes fail) and refuses new ones.
    void closeConnections();

  private:
    bool process_and_close_socket(socket_t sock) override;
    bool track(int sock);
    void untrackAndClose(int sock);
    bool waitForRequest(int sock, bool buffered) const;

    std::mutex mutex_;
    std::set<int> open_;
    bool closing_ = false;
};

}  // namespace pd::peer
