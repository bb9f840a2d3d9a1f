#include "support/FaultyHttpServer.h"

#include <algorithm>
#include <memory>

#include <sys/socket.h>

namespace pd::test {

namespace {

// Long enough for any test step, short enough that a forgotten release() cannot hang a run.
constexpr auto kHoldLimit = std::chrono::seconds(20);

// "bytes=N-" or "bytes=N-M"; the service only sends the first form.
std::optional<std::size_t> rangeStartOf(const std::string& header) {
    constexpr std::string_view prefix = "bytes=";
    if (header.rfind(prefix, 0) != 0) {
        return std::nullopt;
    }
    std::size_t value = 0;
    std::size_t i = prefix.size();
    if (i >= header.size() || header[i] < '0' || header[i] > '9') {
        return std::nullopt;
    }
    for (; i < header.size() && header[i] >= '0' && header[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::size_t>(header[i] - '0');
    }
    return value;
}

}  // namespace

FaultyHttpServer::FaultyHttpServer() {
    // Enough threads that every concurrent test download is answered at once.
    server_.new_task_queue = [] { return new httplib::ThreadPool(128); };
    server_.set_keep_alive_timeout(1);
    // Keep the listening socket to enlarge its accept queue below: the library's small backlog
    // makes dozens of simultaneous connects wait a second for SYN retries.
    int listenSocket = -1;
    server_.set_socket_options([&listenSocket](int sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listenSocket = sock;
    });
    server_.Get(R"(/(.*))", [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ > 0 && listenSocket >= 0) {
        ::listen(listenSocket, 256);
    }
    if (port_ > 0) {
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
}

FaultyHttpServer::~FaultyHttpServer() {
    release();
    server_.stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::string FaultyHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

void FaultyHttpServer::setFile(const std::string& path, std::string content) {
    std::lock_guard lock(mutex_);
    files_[path] = std::move(content);
}

void FaultyHttpServer::setBehaviour(const Behaviour& behaviour) {
    std::lock_guard lock(mutex_);
    behaviour_ = behaviour;
    releasedFlag_ = false;
}

void FaultyHttpServer::release() {
    {
        std::lock_guard lock(mutex_);
        releasedFlag_ = true;
    }
    released_.notify_all();
}

std::vector<FaultyHttpServer::Request> FaultyHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t FaultyHttpServer::bytesSent(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = sent_.find(path);
    return found == sent_.end() ? 0 : found->second;
}

std::size_t FaultyHttpServer::peakConcurrency() const {
    std::lock_guard lock(mutex_);
    return peak_;
}

void FaultyHttpServer::handle(const httplib::Request& request, httplib::Response& response) {
    // Ranges are answered here, not by the library, so that the faults can break the rules.
    const_cast<httplib::Request&>(request).ranges.clear();
    const std::string path = request.matches[1];
    const std::string range = request.get_header_value("Range");
    Behaviour behaviour;
    std::shared_ptr<const std::string> content;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({path, range});
        behaviour = behaviour_;
        const auto found = files_.find(path);
        if (found != files_.end()) {
            content = std::make_shared<const std::string>(found->second);
        }
    }
    if (behaviour.delay.count() > 0) {
        std::this_thread::sleep_for(behaviour.delay);
    }
    if (!content || behaviour.notFound) {
        response.status = 404;
        response.set_content("<html><body>404 Not Found</body></html>", "text/html");
        return;
    }
    std::size_t start = 0;
    if (const auto asked = rangeStartOf(range); asked && !behaviour.ignoreRange) {
        if (behaviour.rangeNotSatisfiable || *asked >= content->size()) {
            response.status = 416;
            response.set_header("Content-Range", "bytes */" + std::to_string(content->size()));
            response.set_content("<html><body>416</body></html>", "text/html");
            return;
        }
        start = behaviour.rangeStart.value_or(*asked);
        response.status = 206;
        response.set_header("Content-Range", "bytes " + std::to_string(start) + "-" +
                                                 std::to_string(content->size() - 1) + "/" +
                                                 std::to_string(content->size()));
    } else {
        response.status = 200;
    }
    const std::size_t length = content->size() - start;
    response.set_content_provider(
        length, "application/octet-stream",
        [this, content, start, length, path, behaviour](std::size_t offset, std::size_t,
                                                        httplib::DataSink& sink) {
            {
                std::lock_guard lock(mutex_);
                peak_ = std::max(peak_, ++active_);
            }
            std::size_t limit = length;
            if (behaviour.closeAfter) {
                limit = std::min(limit, *behaviour.closeAfter);
            }
            bool ok = true;
            while (ok && offset < limit) {
                if (behaviour.holdAfter && offset == *behaviour.holdAfter) {
                    std::unique_lock lock(mutex_);
                    released_.wait_for(lock, kHoldLimit, [this] { return releasedFlag_; });
                }
                std::size_t chunk = std::min<std::size_t>(64 * 1024, limit - offset);
                if (behaviour.holdAfter && offset < *behaviour.holdAfter) {
                    chunk = std::min(chunk, *behaviour.holdAfter - offset);
                }
                ok = sink.write(content->data() + start + offset, chunk);
                if (ok) {
                    offset += chunk;
                    std::lock_guard lock(mutex_);
                    sent_[path] += chunk;
                }
            }
            {
                std::lock_guard lock(mutex_);
                --active_;
            }
            // false drops the connection: early for closeAfter, or when the client went away.
            return ok && offset == length;
        });
}

}  // namespace pd::test
