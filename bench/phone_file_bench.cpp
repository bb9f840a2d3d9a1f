// A computer fetches a large phone file: the phone's "RETR" path (service, path checks, the
// data channel's worker, FileTransferMgr's piece loop) against a plain TCP sender that reads the
// same file with read() into a 1 MiB buffer and writes it with send(), both to the same
// receiver thread on 127.0.0.1 in the same run. Prints the throughput of each (median of the
// repetitions), their ratio, the phone's peak resident memory during its fetches, and a sweep
// of piece sizes on a smaller file.
//
//   build/bench/phone_file_bench [GiB, default 3] [repetitions, default 5]

#include "NetWork/FileTransferMgr.h"
#include "core/PhoneFileChannel.h"
#include "core/PhoneFileService.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

long statusKiB(const std::string& field) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::atol(line.c_str() + field.size() + 1);
        }
    }
    return -1;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Accepts connections one after another and counts what each brings until it closes.
class Receiver {
  public:
    Receiver() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
            ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            std::perror("receiver");
            std::exit(1);
        }
        port_ = ntohs(addr.sin_port);
    }
    ~Receiver() { ::close(listener_); }
    int port() const { return port_; }
    // Receives one connection on a thread; the future gives its byte count.
    std::future<std::uint64_t> next() {
        return std::async(std::launch::async, [this] {
            const int fd = ::accept(listener_, nullptr, nullptr);
            std::vector<char> buffer(256 * 1024);
            std::uint64_t total = 0;
            for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
                total += static_cast<std::uint64_t>(n);
            }
            ::close(fd);
            return total;
        });
    }

  private:
    int listener_ = -1;
    int port_ = 0;
};

double plainSend(const fs::path& file, Receiver& receiver, std::uint64_t size) {
    auto received = receiver.next();
    const auto start = Clock::now();
    const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(receiver.port()));
    if (::connect(out, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        std::perror("connect");
        std::exit(1);
    }
    std::vector<char> buffer(1 << 20);
    for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;) {
        for (ssize_t sent = 0; sent < n;) {
            const ssize_t w =
                ::send(out, buffer.data() + sent, static_cast<std::size_t>(n - sent), MSG_NOSIGNAL);
            if (w <= 0) {
                std::exit(1);
            }
            sent += w;
        }
    }
    ::close(out);
    ::close(in);
    const std::uint64_t got = received.get();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (got != size) {
        std::fprintf(stderr, "plain sender: %llu of %llu bytes\n",
                     static_cast<unsigned long long>(got), static_cast<unsigned long long>(size));
        std::exit(1);
    }
    return seconds;
}

// The real channel, or one whose piece size is set (for the sweep).
class BenchTransport : public pd::PhoneFileTransport {
  public:
    explicit BenchTransport(std::size_t piece) : piece_(piece) {
        channel_.setComputer("127.0.0.1");
    }
    bool connect(int port) override {
        if (piece_ == 0) {
            return channel_.connect("127.0.0.1", port);
        }
        mgr_ = std::make_shared<pd::FileTransferMgr>(100000, nullptr);
        mgr_->setSendPiece(piece_);
        return mgr_->ConnectLanServer("127.0.0.1", port);
    }
    bool send(std::shared_ptr<pd::UploadSource> source, std::function<void(bool)> done) override {
        if (piece_ == 0) {
            return channel_.send(std::move(source), std::move(done));
        }
        auto mgr = std::exchange(mgr_, nullptr);
        if (!mgr) {
            return false;
        }
        mgr->setDataSend(std::move(source));
        std::thread([mgr, done = std::move(done)] { mgr->SendData(done); }).detach();
        return true;
    }

  private:
    std::size_t piece_;
    pd::PhoneFileChannel channel_;
    std::shared_ptr<pd::FileTransferMgr> mgr_;
};

double phoneFetch(const fs::path& userData, Receiver& receiver, std::uint64_t size,
                  std::size_t piece) {
    auto transport = std::make_shared<BenchTransport>(piece);
    pd::PhoneFileService::Services s;
    s.userDataFolder = [userData] { return userData; };
    s.enabled = [] { return true; };
    s.transport = transport;
    s.loadAssets = [](std::function<void()> done) { done(); };
    s.assets = [] { return pd::AlbumIndex{}; };
    auto service = pd::PhoneFileService::create(s);
    std::promise<std::string> portReply;
    std::promise<std::string> retrReply;
    auto received = receiver.next();
    service->makeCommand()->CommandParse("PORT 127.0.0.1:" + std::to_string(receiver.port()),
                                         [&](const std::string& r) { portReply.set_value(r); });
    if (portReply.get_future().get() != "200 ") {
        std::fprintf(stderr, "PORT failed\n");
        std::exit(1);
    }
    const auto start = Clock::now();
    service->makeCommand()->CommandParse("RETR /我的文档/big/disk.img",
                                         [&](const std::string& r) { retrReply.set_value(r); });
    const std::string reply = retrReply.get_future().get();
    const std::uint64_t got = received.get();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (reply != "200 " || got != size) {
        std::fprintf(stderr, "phone fetch: reply '%s', %llu of %llu bytes\n", reply.c_str(),
                     static_cast<unsigned long long>(got), static_cast<unsigned long long>(size));
        std::exit(1);
    }
    return seconds;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void makeSparse(const fs::path& file, std::uint64_t size) {
    fs::create_directories(file.parent_path());
    const int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        std::perror("sparse file");
        std::exit(1);
    }
    ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t gib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 3;
    const int reps = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::uint64_t size = gib << 30;
    char tmpl[] = "/tmp/phone-file-bench-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) {
        return 1;
    }
    const fs::path work = tmpl;
    const fs::path userData = work / "UserData";
    Receiver receiver;

    // Piece sizes on a 1 GiB file, the median of three runs each after a warm-up.
    const std::uint64_t sweepSize = 1ull << 30;
    makeSparse(userData / "big" / "disk.img", sweepSize);
    phoneFetch(userData, receiver, sweepSize, 64 * 1024);
    std::printf("piece sweep, %llu MiB file:\n", static_cast<unsigned long long>(sweepSize >> 20));
    for (std::size_t piece : {512ul, 16384ul, 65536ul, 262144ul, 1048576ul, 2097152ul, 4194304ul}) {
        std::vector<double> t;
        for (int i = 0; i < 3; ++i) {
            t.push_back(phoneFetch(userData, receiver, sweepSize, piece));
        }
        std::printf("  piece %7zu B: %7.0f MB/s\n", piece, sweepSize / median(t) / 1e6);
    }

    makeSparse(userData / "big" / "disk.img", size);
    std::vector<double> plain, phone;
    long phonePeakGrowth = 0, phonePeak = 0;
    for (int i = 0; i < reps; ++i) {
        plain.push_back(plainSend(userData / "big" / "disk.img", receiver, size));
        resetPeak();
        const long before = statusKiB("VmHWM");
        phone.push_back(phoneFetch(userData, receiver, size, 0));
        phonePeakGrowth = std::max(phonePeakGrowth, statusKiB("VmHWM") - before);
        phonePeak = std::max(phonePeak, statusKiB("VmHWM"));
    }
    const double plainRate = size / median(plain) / 1e6;
    const double phoneRate = size / median(phone) / 1e6;
    std::printf("%llu GiB file, median of %d:\n", static_cast<unsigned long long>(gib), reps);
    std::printf("  plain TCP sender (read 1 MiB, send):   %7.0f MB/s\n", plainRate);
    std::printf("  phone RETR (piece %zu B):            %7.0f MB/s  ratio %.2fx\n",
                pd::PhoneFileChannel::kSendPiece, phoneRate, phoneRate / plainRate);
    std::printf("  phone peak RSS during a fetch: %ld KiB (growth %ld KiB)\n", phonePeak,
                phonePeakGrowth);
    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
