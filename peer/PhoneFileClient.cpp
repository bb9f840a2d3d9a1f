#include "PhoneFileClient.h"
#include "WriteAll.h"

#include "platform/Log.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

namespace pd::peer {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::uintmax_t kMaxScriptBytes = 1024 * 1024;
constexpr std::chrono::milliseconds kIdleLimit{30000};

}  // namespace

// One "RETR": its data connection, read on a thread of its own while the script waits for
// the reply.
struct PhoneFileClient::Fetch {
    Fetch() : abortFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Fetch() { ::close(abortFd); }
    Fetch(const Fetch&) = delete;
    Fetch& operator=(const Fetch&) = delete;
    void abort() const {
        const std::uint64_t one = 1;
        if (::write(abortFd, &one, sizeof one) < 0) {
            PD_LOG_WARN("phone-file client: abort signal failed");
        }
    }

    int abortFd;  // the phone refused or gave no reply: stop receiving
    int listenFd = -1;
    fs::path target;
    std::atomic<std::uint64_t> bytes{0};
    std::atomic<bool> finished{false};
    std::string failure;  // read after `finished`
    std::thread thread;
};

PhoneFileClient::PhoneFileClient(PhoneFileClientConfig config,
                                 std::function<void(std::string)> send)
    : config_(std::move(config)),
      send_(std::move(send)),
      stopFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

PhoneFileClient::~PhoneFileClient() {
    stop_ = true;
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) < 0) {
        PD_LOG_WARN("phone-file client: stop signal failed");
    }
    replied_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
    ::close(stopFd_);
}

void PhoneFileClient::start() {
    thread_ = std::thread([this] { runScript(); });
}

std::string PhoneFileClient::savedName(const std::string& path) {
    std::string name =
        path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '\\' || c == ':') {
            c = '_';
        }
    }
    if (name.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;  // not inside a UTF-8 sequence
        }
        name.resize(cut);
    }
    if (name.empty() || name.find_first_not_of('.') == std::string::npos) {
        name = "file";
    }
    return name;
}

std::optional<std::vector<std::string>> PhoneFileClient::readScript(const fs::path& file) {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    std::ifstream in(file, std::ios::binary);
    if (ec || size > kMaxScriptBytes || !in) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

void PhoneFileClient::onReply(const msg::View& body) {
    if (!body.isArray() || body.size() != 4 || !body[3].isRaw()) {
        return;
    }
    const auto id = body[0].asInt64();
    const auto text = body[3].asRaw();
    if (!id || !text) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        replies_[*id] = std::string(*text);
    }
    replied_.notify_all();
}

void PhoneFileClient::runScript() {
    for (const std::string& raw : config_.script) {
        if (stopped()) {
            return;
        }
        if (raw.empty() || raw.front() == '#') {
            continue;
        }
        std::string line = raw;
        std::optional<Fetch> fetch;
        if (line.starts_with("PORT ") && line.ends_with(":0")) {
            line = openListener(line);
        } else if (line.starts_with("RETR ") && listenFd_ >= 0) {
            fetch.emplace();
            fetch->listenFd = std::exchange(listenFd_, -1);
            fetch->target = config_.filesDir / savedName(line.substr(5));
            fetch->thread = std::thread([this, f = &*fetch] { receive(*f); });
        }
        const std::optional<std::string> reply = command(line, fetch ? &*fetch : nullptr);
        nlohmann::ordered_json event = {{"event", "phone_file"}, {"command", line}};
        event["reply"] = reply ? nlohmann::ordered_json(*reply) : nlohmann::ordered_json();
        config_.print(event);
        if (fetch) {
            if (!reply || !reply->starts_with("200")) {
                fetch->abort();  // nothing more is coming
            }
            fetch->thread.join();
            nlohmann::ordered_json saved = {{"event", "phone_file_saved"},
                                            {"path", fetch->target.string()},
                                            {"bytes", fetch->bytes.load()}};
            if (!fetch->failure.empty() || !reply || !reply->starts_with("200")) {
                std::error_code ec;
                fs::remove(fetch->target, ec);
                saved = {{"event", "phone_file_not_saved"},
                         {"path", fetch->target.string()},
                         {"reason", fetch->failure.empty() ? "the phone refused" : fetch->failure}};
            }
            config_.print(saved);
        }
    }
    config_.print({{"event", "phone_script_done"}});
}

std::string PhoneFileClient::openListener(const std::string& line) {
    if (listenFd_ >= 0) {
        ::close(std::exchange(listenFd_, -1));
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    socklen_t len = sizeof addr;
    if (fd < 0 || ::inet_pton(AF_INET, config_.host.c_str(), &addr.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        PD_LOG_WARN("phone-file client: no listener on {}", config_.host);
        if (fd >= 0) {
            ::close(fd);
        }
        return line;  // sent as written: port 0, which the phone cannot connect to
    }
    listenFd_ = fd;
    return "PORT " + config_.host + ":" + std::to_string(ntohs(addr.sin_port));
}

std::optional<std::string> PhoneFileClient::command(const std::string& line, Fetch* fetch) {
    std::int64_t id;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
    }
    msg::Packer p;
    p.array(3).integer(id).integer(0).raw(line);
    send_(p.take());
    std::unique_lock lock(mutex_);
    auto deadline = std::chrono::steady_clock::now() + config_.replyWait;
    std::uint64_t seen = 0;
    while (!stopped()) {
        if (auto it = replies_.find(id); it != replies_.end()) {
            std::string reply = std::move(it->second);
            replies_.erase(it);
            return reply;
        }
        // A fetch that still receives is given time: the reply follows its last byte.
        if (fetch != nullptr && fetch->bytes.load() != seen) {
            seen = fetch->bytes.load();
            deadline = std::chrono::steady_clock::now() + config_.replyWait;
        }
        if (replied_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                             std::chrono::milliseconds(200))) ==
                std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline) {
            break;
        }
    }
    return std::nullopt;
}

void PhoneFileClient::receive(Fetch& fetch) {
    auto waitReadable = [this, &fetch](int fd) {
        pollfd fds[3] = {{fd, POLLIN, 0}, {stopFd_, POLLIN, 0}, {fetch.abortFd, POLLIN, 0}};
        for (;;) {
            const int ready = ::poll(fds, 3, static_cast<int>(kIdleLimit.count()));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            return ready > 0 && fds[1].revents == 0 && fds[2].revents == 0 && fds[0].revents != 0;
        }
    };
    const int dataFd = waitReadable(fetch.listenFd)
                           ? ::accept4(fetch.listenFd, nullptr, nullptr, SOCK_CLOEXEC)
                           : -1;
    ::close(fetch.listenFd);
    if (dataFd < 0) {
        fetch.failure = "the phone did not connect";
        fetch.finished = true;
        return;
    }
    std::error_code ec;
    fs::create_directories(config_.filesDir, ec);
    const int out =
        ::open(fetch.target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (out < 0) {
        fetch.failure = "cannot write " + fetch.target.string();
    }
    std::vector<char> chunk(kReadChunk);
    while (fetch.failure.empty()) {
        if (!waitReadable(dataFd)) {
            fetch.failure = "stalled or stopped";
            break;
        }
        const ssize_t n = ::recv(dataFd, chunk.data(), chunk.size(), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0) {
            break;  // the phone closed the channel: the file is complete
        }
        if (n < 0) {
            fetch.failure = "receive failed";
        } else if (fetch.bytes.load() + static_cast<std::uint64_t>(n) > config_.maxFileBytes) {
            fetch.failure = "larger than " + std::to_string(config_.maxFileBytes) + " bytes";
        } else if (!writeAll(out, chunk.data(), static_cast<std::size_t>(n))) {
            fetch.failure = "write failed";
        } else {
            fetch.bytes += static_cast<std::uint64_t>(n);
        }
    }
    ::close(dataFd);
    if (out >= 0 && ::close(out) != 0 && fetch.failure.empty()) {
        fetch.failure = "write failed";
    }
    fetch.finished = true;
}

}  // namespace pd::peer
