#include "BoundedHttpServer.h"

#include "BoundedSocketStream.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace pd::peer {

using std::chrono::microseconds;
using std::chrono::seconds;

void BoundedHttpServer::closeConnections() {
    std::lock_guard lock(mutex_);
    closing_ = true;
    for (int sock : open_) {
        ::shutdown(sock, SHUT_RDWR);
    }
}

bool BoundedHttpServer::track(int sock) {
    std::lock_guard lock(mutex_);
    if (closing_) {
        return false;
    }
    open_.insert(sock);
    return true;
}

void BoundedHttpServer::untrackAndClose(int sock) {
    {
        // Out of the set before it is closed, so closeConnections() never shuts down a number
        // that has been reused for another file.
        std::lock_guard lock(mutex_);
        open_.erase(sock);
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
}

bool BoundedHttpServer::waitForRequest(int sock, bool buffered) const {
    if (buffered) {
        return true;  // a pipelined request is already here
    }
    pollfd p{sock, POLLIN, 0};
    int ms = static_cast<int>(keep_alive_timeout_sec_ * 1000);
    int ready = 0;
    do {
        ready = ::poll(&p, 1, ms);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool BoundedHttpServer::process_and_close_socket(socket_t sock) {
    if (!track(sock)) {
        ::close(sock);
        return false;
    }
    BoundedSocketStream stream(sock, seconds(read_timeout_sec_) + microseconds(read_timeout_usec_),
                               seconds(write_timeout_sec_) + microseconds(write_timeout_usec_));
    bool ok = false;
    for (std::size_t left = keep_alive_max_count_; left > 0; --left) {
        if (svr_sock_ == INVALID_SOCKET || !waitForRequest(sock, stream.hasBufferedInput())) {
            break;
        }
        stream.startRequest(kMaxRequestBytes);
        // A body we do not read would be taken for the next request: close after such a one.
        bool hasBody = false;
        auto setup = [&hasBody](httplib::Request& req) {
            req.ranges.clear();
            hasBody =
                req.has_header("Transfer-Encoding") ||
                (req.has_header("Content-Length") && req.get_header_value("Content-Length") != "0");
        };
        bool closed = false;
        ok = process_request(stream, left == 1, closed, setup);
        if (!ok || closed || hasBody || stream.budgetExceeded()) {
            break;
        }
    }
    untrackAndClose(sock);
    return ok;
}

}  // namespace pd::peer
