#include "HttpFileService.h"

#include "ByteRange.h"
#include "RatePacer.h"
#include "codec/SignedLink.h"
#include "platform/Log.h"
#include "platform/UrlEncode.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace pd::peer {

using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kContentType = "application/octet-stream";
constexpr std::size_t kLoggedPathBytes = 200;

// Keys are compared in constant time: how long a comparison takes says nothing about the key.
bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return diff == 0;
}

// The request target's path without its leading "/", as the client wrote it.
std::optional<std::string_view> escapedPathOf(std::string_view target) {
    std::string_view path = target.substr(0, target.find('?'));
    if (path.empty() || path.front() != '/') {
        return std::nullopt;  // "*" or an absolute URL: no file of ours
    }
    return path.substr(1);
}

// A raw "+" in a path is a plus sign, not a space: escape it before the form-style decoder.
std::optional<std::string> decodePath(std::string_view escaped) {
    std::string text;
    text.reserve(escaped.size());
    for (char c : escaped) {
        if (c == '+') {
            text += "%2B";
        } else {
            text += c;
        }
    }
    return UrlEncode::decodeFromPercentEscapeString(text);
}

// For the log: printable ASCII only, cut to a readable length.
std::string printable(std::string_view text) {
    std::string out(text.substr(0, kLoggedPathBytes));
    for (char& c : out) {
        if (c < 0x20 || c > 0x7e) {
            c = '?';
        }
    }
    if (text.size() > kLoggedPathBytes) {
        out += "...";
    }
    return out;
}

void answer(httplib::Response& res, int status) {
    res.status = status;
    // An empty body: a resuming client must not mistake an error page for file bytes.
    res.set_content("", kContentType);
}

// Opens a regular file for reading; -1 for anything else (folders, devices, vanished files).
int openRegularFile(const std::filesystem::path& host, std::uint64_t& size) {
    int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

}  // namespace

// One response body: the open file, where the body starts in it, and how much has gone.
struct HttpFileService::Body {
    int fd = -1;
    std::uint64_t start = 0;
    std::uint64_t sent = 0;
    std::optional<RatePacer> pacer;
    std::vector<char> buffer;

    Body() = default;
    Body(const Body&) = delete;
    Body& operator=(const Body&) = delete;
    ~Body() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

std::unique_ptr<HttpFileService> HttpFileService::start(const std::string& address,
                                                        std::uint16_t port, const DiskTree& disk,
                                                        const TicketBook& tickets,
                                                        const HttpFaults& faults) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
        PD_LOG_ERROR("'{}' is not an IPv4 address", address);
        return nullptr;
    }
    std::unique_ptr<HttpFileService> service(new HttpFileService(disk, tickets, faults));
    service->configure();
    int bound = -1;
    if (port == 0) {
        bound = service->server_.bind_to_any_port(address);
    } else if (service->server_.bind_to_port(address, port)) {
        bound = port;
    }
    if (bound <= 0) {
        PD_LOG_ERROR("HTTP file service cannot listen on {}:{}", address, port);
        return nullptr;
    }
    service->port_ = static_cast<std::uint16_t>(bound);
    auto listenEnded = std::make_shared<std::atomic<bool>>(false);
    try {
        service->thread_ = std::thread([s = service.get(), listenEnded] {
            s->server_.listen_after_bind();
            listenEnded->store(true);
        });
    } catch (const std::system_error& e) {
        PD_LOG_ERROR("cannot start the HTTP file service: {}", e.what());
        return nullptr;
    }
    // httplib ignores a stop() that comes before its loop runs: wait until the loop runs (it
    // starts at once) or has given up.
    while (!service->server_.is_running() && !listenEnded->load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!service->server_.is_running()) {
        PD_LOG_ERROR("HTTP file service on {}:{} did not start", address, bound);
        return nullptr;  // the thread has ended; the destructor joins it
    }
    PD_LOG_INFO("HTTP file service on {}:{}", address, bound);
    return service;
}

HttpFileService::HttpFileService(const DiskTree& disk, const TicketBook& tickets,
                                 const HttpFaults& faults)
    : disk_(disk),
      tickets_(tickets),
      faults_(faults),
      chunk_(faults.bytesPerSecond > 0 ? RatePacer::chunkFor(faults.bytesPerSecond, kChunkBytes)
                                       : kChunkBytes) {}

void HttpFileService::configure() {
    server_.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    server_.set_address_family(AF_INET);
    // SO_REUSEADDR only: httplib's default adds SO_REUSEPORT, which would let a second server
    // share a port in use instead of reporting it.
    server_.set_socket_options([](socket_t sock) {
        int one = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    });
    server_.set_keep_alive_max_count(100);
    server_.set_keep_alive_timeout(5);
    server_.set_read_timeout(5, 0);
    server_.set_write_timeout(10, 0);
    server_.set_payload_max_length(BoundedHttpServer::kMaxRequestBytes);
    // Every request is answered here, so httplib's router (regular expressions over the whole
    // path) never runs.
    server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        handle(req, res);
        return httplib::Server::HandlerResponse::Handled;
    });
    // httplib answers a Range header it cannot parse with a bare 416 before any handler runs.
    // Such a request is served here as if it had no usable range (a start beyond any file
    // still gets 416, with its Content-Range). The request object is httplib's own non-const
    // one; its half-parsed ranges must go, or httplib would cut our body by them.
    server_.set_error_handler(httplib::Server::HandlerWithResponse(
        [this](const httplib::Request& req, httplib::Response& res) {
            if (res.status != 416 || res.has_header("Content-Range") || !req.has_header("Range")) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            const_cast<httplib::Request&>(req).ranges.clear();
            handle(req, res);
            return httplib::Server::HandlerResponse::Handled;
        }));
    server_.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        std::string_view target = req.target;
        PD_LOG_INFO("http {} {} -> {}", printable(req.method),
                    printable(target.substr(0, target.find('?'))), res.status);
    });
}

HttpFileService::~HttpFileService() {
    stop();
}

void HttpFileService::stop() {
    {
        std::lock_guard lock(stopMutex_);
        if (stopped_) {
            return;
        }
        stopped_ = true;
        stopping_ = true;
    }
    stopWake_.notify_all();
    server_.closeConnections();
    server_.stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool HttpFileService::waitUntil(Clock::time_point when) {
    std::unique_lock lock(stopMutex_);
    return !stopWake_.wait_until(lock, when, [this] { return stopping_.load(); });
}

bool HttpFileService::signedLink(const httplib::Request& req, std::string_view escapedPath) const {
    if (!req.has_param("d") || !req.has_param("k")) {
        return false;
    }
    std::string key = req.get_param_value("k");
    for (const std::string& ticket : tickets_.ticketsFor(req.get_param_value("d"))) {
        if (sameText(key, signedUrlKey(escapedPath, ticket))) {
            return true;
        }
    }
    return false;
}

void HttpFileService::handle(const httplib::Request& req, httplib::Response& res) {
    if (req.headers.size() > kMaxHeaders) {
        answer(res, 431);
        return;
    }
    if (req.method != "GET" && req.method != "HEAD") {
        answer(res, 405);
        res.set_header("Allow", "GET, HEAD");
        return;
    }
    std::optional<std::string_view> escaped = escapedPathOf(req.target);
    if (!escaped) {
        answer(res, 404);
        return;
    }
    // The signature first: an unsigned request learns nothing about what the disk holds.
    if (!signedLink(req, *escaped)) {
        answer(res, 403);
        return;
    }
    std::optional<std::string> path = decodePath(*escaped);
    if (!path) {
        answer(res, 404);
        return;
    }
    DiskTree::Resolved where = disk_.resolve(*path);
    std::uint64_t total = 0;
    int fd = where.result == kOk ? openRegularFile(where.host, total) : -1;
    if (fd < 0) {
        answer(res, 404);
        return;
    }
    serveFile(req, res, fd, total);
}

void HttpFileService::serveFile(const httplib::Request& req, httplib::Response& res, int fd,
                                std::uint64_t total) {
    auto body = std::make_shared<Body>();
    body->fd = fd;
    res.set_header("Accept-Ranges", "bytes");

    ByteRange range;
    if (req.has_header("Range") && faults_.answer416) {
        range.kind = ByteRange::Kind::Unsatisfiable;
    } else if (req.has_header("Range") && !faults_.ignoreRange) {
        range = ByteRange::parse(req.get_header_value("Range"), total);
    }
    std::uint64_t length = total;
    switch (range.kind) {
        case ByteRange::Kind::Unsatisfiable:
            answer(res, 416);
            res.set_header("Content-Range", range.contentRange(total));
            return;
        case ByteRange::Kind::Part:
            res.status = 206;
            res.set_header("Content-Range", range.contentRange(total));
            body->start = range.first;
            length = range.length();
            break;
        case ByteRange::Kind::Whole:
            res.status = 200;
            break;
    }
    if (length == 0) {
        res.set_content("", kContentType);  // an empty file: Content-Length 0, nothing to stream
        return;
    }
    if (faults_.bytesPerSecond > 0) {
        body->pacer.emplace(faults_.bytesPerSecond, Clock::now());
    }
    if (faults_.endless) {
        // The file's bytes over and over; only the client or stop() ends it.
        res.set_chunked_content_provider(
            kContentType, [this, body, length](std::size_t offset, httplib::DataSink& sink) {
                const std::uint64_t at = offset % length;
                return provide(*body, at, static_cast<std::size_t>(length - at), sink);
            });
        return;
    }
    if (faults_.noLength) {
        // Failing the write once the body is out makes httplib close the connection, which
        // is the only end such a body has.
        res.set_content_provider(
            kContentType, [this, body, length](std::size_t offset, httplib::DataSink& sink) {
                return offset < length &&
                       provide(*body, offset, static_cast<std::size_t>(length - offset), sink);
            });
        return;
    }
    if (faults_.shortLength) {
        length = std::max<std::uint64_t>(1, length / 2);
    }
    res.set_content_provider(
        static_cast<std::size_t>(length), kContentType,
        [this, body](std::size_t offset, std::size_t left, httplib::DataSink& sink) {
            return provide(*body, offset, left, sink);
        });
}

bool HttpFileService::provide(Body& body, std::uint64_t offset, std::size_t length,
                              httplib::DataSink& sink) {
    std::size_t want = std::min(length, chunk_);
    if (faults_.closeAfter) {
        if (body.sent >= *faults_.closeAfter) {
            PD_LOG_INFO("http: closing after {} body bytes, as told", body.sent);
            return false;
        }
        want = static_cast<std::size_t>(
            std::min<std::uint64_t>(want, *faults_.closeAfter - body.sent));
    }
    if (body.pacer && !waitUntil(body.pacer->readyAt(body.sent))) {
        return false;
    }
    if (stopping_) {
        return false;
    }
    if (body.buffer.size() < want) {
        body.buffer.resize(chunk_);
    }
    ssize_t n = 0;
    do {
        n = ::pread(body.fd, body.buffer.data(), want, static_cast<off_t>(body.start + offset));
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        // The file shrank or failed under us: end the connection so the client sees a short
        // body rather than a wrong one.
        PD_LOG_WARN("http: file read failed at byte {}: {}", body.start + offset,
                    n == 0 ? "end of file" : std::strerror(errno));
        return false;
    }
    if (!sink.write(body.buffer.data(), static_cast<std::size_t>(n))) {
        return false;
    }
    body.sent += static_cast<std::uint64_t>(n);
    return true;
}

}  // namespace pd::peer
