// Photo backup on loopback: the core controller's batch (photo library lookups, the upload
// channel, the wait for each "226") sending a library of photos to the real pocketdesk-peer,
// against a plain TCP sender writing the same files to the same receiver code in the same
// run. The figures are wall time per run (medians), throughput, and the peak RSS of the phone
// side, which runs in a child process of its own.
//
// The plain sender drives an in-process UploadReceiver (the class behind the peer's upload
// channel) directly: for each file a passive listener, "STOR", a blocking connect, read() and
// send() of 64 KiB pieces and close; it ends when the receiver has reported every file stored
// ("226"). No link, no library, no second process.
//
//   backup_bench [--runs N] [--files N] [--mib M] [--dir DIR]

#include "CaptureImage.h"
#include "NetWork/CServerManager.h"
#include "NetWork/PassiveAddress.h"
#include "PeerLauncher.h"
#include "UploadReceiver.h"
#include "core/AuthCore.h"
#include "platform/AppHome.h"
#include "platform/AssetUrl.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/PhotoLibrary.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kPiece = 64 * 1024;

// `count` photos of `bytes` each: a real JPEG (so the library takes it for a photo) followed
// by random bytes up to the size, as a camera's large picture would be.
void writeLibrary(const fs::path& dir, int count, std::size_t bytes) {
    fs::create_directories(dir);
    std::mt19937 random(7);
    std::string pad(bytes, '\0');
    for (int i = 0; i < count; ++i) {
        const std::string jpeg = pd::peer::CaptureImage::render(1'700'000'000 + i);
        for (std::size_t j = jpeg.size(); j < bytes; j += 4) {
            const std::uint32_t r = random();
            std::memcpy(&pad[j], &r, std::min<std::size_t>(4, bytes - j));
        }
        std::memcpy(pad.data(), jpeg.data(), std::min(jpeg.size(), bytes));
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.JPG", i + 1);
        std::ofstream(dir / name, std::ios::binary).write(pad.data(), static_cast<long>(bytes));
    }
}

std::vector<fs::path> libraryFiles(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir)) {
        files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The process's own peak resident memory (VmHWM). Read here rather than from wait4(): a child
// started by posix_spawn shares the parent's memory until exec, and the kernel counts the
// parent's peak as the child's.
double peakMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

void writeSeconds(const std::string& file, double seconds) {
    std::ofstream(file) << seconds << " " << peakMiB() << "\n";
}

// --- child: the phone side, the batch of the core controller against the peer.
int phoneSide(const fs::path& library, int port, const fs::path& home, const std::string& out) {
    pd::AppHome::set(home);
    pd::AuthCore& core = pd::AuthCore::ShareInstance();
    core.serverIp = "127.0.0.1";
    core.port = port;
    core.deviceTag = "BENCH";
    core.ConnetctPcServer(1);
    pd::MainQueue& main = pd::MainQueue::shared();
    if (!main.runUntil([&] { return core.hasAcceptedLink(); },
                       Clock::now() + std::chrono::seconds(10))) {
        std::cerr << "no link to the peer\n";
        return 1;
    }
    bool ended = false;
    pd::BackupBatchEnd summary;
    core.BackupFinishBlock([&](const pd::BackupBatchEnd& e) {
        summary = e;
        ended = true;
    });
    core.assetslibrary = std::make_shared<const pd::PhotoLibrary>(library);
    for (const auto& file : libraryFiles(library)) {
        core.upQueueArr.push_back(pd::AssetUrl::fromRelativePath(file.filename().string()));
    }
    const auto start = Clock::now();
    core.PhotoAlbumBakMgr();
    main.runUntil([&] { return ended; }, Clock::now() + std::chrono::hours(1));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!ended || summary.failed != 0 || summary.confirmed != summary.total) {
        std::cerr << "backup incomplete: " << summary.confirmed << " of " << summary.total
                  << " confirmed, " << summary.failed << " failed\n";
        return 1;
    }
    writeSeconds(out, seconds);
    return 0;
}

// --- child: the plain sender against an in-process receiver.
bool sendFile(std::uint16_t port, const fs::path& file, std::vector<char>& buffer) {
    const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    ::inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    bool ok =
        in >= 0 && fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    while (ok) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t sent = 0; ok && sent < n;) {
            const ssize_t w =
                ::send(fd, buffer.data() + sent, static_cast<std::size_t>(n - sent), MSG_NOSIGNAL);
            ok = w > 0;
            sent += std::max<ssize_t>(w, 0);
        }
    }
    if (fd >= 0)
        ::close(fd);
    if (in >= 0)
        ::close(in);
    return ok;
}

int plainSide(const fs::path& library, const fs::path& receiveDir, const std::string& out) {
    std::mutex mutex;
    std::condition_variable cv;
    int done = 0;
    pd::peer::UploadReceiverConfig config;
    config.backupDir = receiveDir;
    pd::peer::UploadReceiver receiver(config, [&](const std::string& line) {
        if (line.rfind("226", 0) == 0) {
            std::lock_guard lock(mutex);
            ++done;
            cv.notify_all();
        }
    });
    std::vector<char> buffer(kPiece);
    const auto files = libraryFiles(library);
    const auto start = Clock::now();
    for (const auto& file : files) {
        const auto port = receiver.openPassive();
        if (!port || receiver.store(file.filename().string()).rfind("150", 0) != 0 ||
            !sendFile(*port, file, buffer)) {
            std::cerr << "plain send of " << file << " failed\n";
            return 1;
        }
    }
    {
        // Like the batch, it goes on to the next file at once and ends when all are stored.
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return done >= static_cast<int>(files.size()); });
    }
    writeSeconds(out, std::chrono::duration<double>(Clock::now() - start).count());
    return 0;
}

// --- child: the plain sender against the peer: the same exchange on the link ("PASV",
// "STOR", each awaited on the spot), the same files written with read() and send(), the end
// when the peer has confirmed every file. No library, no main queue, no upload channel.
int linkedPlainSide(const fs::path& library, int port, const std::string& out) {
    pd::CServerManager link;
    std::mutex mutex;
    std::condition_variable cv;
    int answers = 0;
    std::string reply;  // read on the link thread: a later "226" replaces it in the store
    const auto signal = [&] {
        std::string text = link.GetFileRsqResult();
        std::lock_guard lock(mutex);
        reply = std::move(text);
        ++answers;
        cv.notify_all();
    };
    const auto awaitAnswer = [&](int n) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return answers >= n; });
    };
    int expected = 0;
    link.WaitFileCommandResutBlock(signal);  // the handshake's answer
    std::thread loop([&] { link.ConnectLanServer("127.0.0.1", port, ""); });
    bool ok = awaitAnswer(++expected) && link.IsAuthSucess();
    std::vector<char> buffer(kPiece);
    const auto files = libraryFiles(library);
    const auto start = Clock::now();
    for (const auto& file : files) {
        if (!ok)
            break;
        link.WaitFileCommandResutBlock(signal);
        link.FileMgrCommondOp(99999, "PASV");
        const auto address =
            awaitAnswer(++expected) ? pd::parsePassiveAddress(reply, "127.0.0.1") : std::nullopt;
        link.WaitStorCommandResutBlock(signal);
        link.FileMgrCommondOp(99999, "STOR " + file.filename().string());
        ok = address && awaitAnswer(++expected) && sendFile(address->port, file, buffer);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (ok && link.Results().transfersDone < files.size() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ok = ok && link.Results().transfersDone == files.size();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    link.netMgr.state()->stopped = true;
    link.netMgr.state()->wake();
    loop.join();
    if (!ok) {
        std::cerr << "linked plain sender failed: " << answers << " answers, auth "
                  << link.IsAuthSucess() << ", " << link.Results().transfersDone
                  << " confirmed, reply '" << link.GetFileRsqResult() << "'\n";
        return 1;
    }
    writeSeconds(out, seconds);
    return 0;
}

// --- parent
struct ChildResult {
    double seconds = -1;
    double peakMiB = 0;
};

ChildResult runChild(const std::vector<std::string>& args, const std::string& out) {
    std::vector<std::string> store{"/proc/self/exe"};
    store.insert(store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : store)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ChildResult result;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0) {
        return result;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        std::ifstream(out) >> result.seconds >> result.peakMiB;
    }
    return result;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 5 && args[0] == "--phone-side") {
        pd::log::setup(std::getenv("BACKUP_BENCH_LOG") ? spdlog::level::debug : spdlog::level::err);
        return phoneSide(args[1], std::stoi(args[2]), args[3], args[4]);
    }
    if (args.size() == 4 && args[0] == "--linked-plain-side") {
        pd::log::setup(spdlog::level::err);
        return linkedPlainSide(args[1], std::stoi(args[2]), args[3]);
    }
    if (args.size() == 4 && args[0] == "--plain-side") {
        pd::log::setup(spdlog::level::err);
        return plainSide(args[1], args[2], args[3]);
    }
    int runs = 5;
    int files = 200;
    std::size_t mib = 2;
    fs::path dir = fs::temp_directory_path() / "pocketdesk-backup-bench";
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--runs")
            runs = std::stoi(args[i + 1]);
        else if (args[i] == "--files")
            files = std::stoi(args[i + 1]);
        else if (args[i] == "--mib")
            mib = std::stoul(args[i + 1]);
        else if (args[i] == "--dir")
            dir = args[i + 1];
    }
    fs::remove_all(dir);
    const fs::path library = dir / "photos";
    writeLibrary(library, files, mib * kMiB);
    const double totalMiB = static_cast<double>(files) * static_cast<double>(mib);

    const fs::path received = dir / "received";
    fs::create_directories(dir / "disk");
    auto peer = pd::peer::PeerLauncher::start(
        POCKETDESK_PEER_PATH,
        {"--root", (dir / "disk").string(), "--sample-disk", "--direct-accept", "--backup-dir",
         received.string(), "--discovery-port", "0"},
        std::chrono::seconds(10), true);
    if (!peer) {
        std::cerr << "cannot start pocketdesk-peer\n";
        return 1;
    }
    // Three senders per run, in a rotating order: the batch, the plain sender over the link to
    // the peer, the plain sender to an in-process receiver.
    std::vector<double> times[3], rss;
    const char* const names[3] = {"backup batch (to the peer)", "plain sender, to the peer",
                                  "plain sender, in-process receiver"};
    for (int r = 0; r < runs; ++r) {
        for (int k = 0; k < 3; ++k) {
            const int who = (r + k) % 3;
            fs::remove_all(received);
            fs::create_directories(received);
            ::sync();  // each starts from a synced disk and an empty folder
            const std::string out = (dir / "seconds").string();
            fs::remove(out);
            const std::string port = std::to_string(peer->controlPort());
            ChildResult c;
            if (who == 0) {
                const fs::path home = dir / ("home-" + std::to_string(r));
                c = runChild({"--phone-side", library.string(), port, home.string(), out}, out);
                rss.push_back(c.peakMiB);
            } else if (who == 1) {
                c = runChild({"--linked-plain-side", library.string(), port, out}, out);
            } else {
                c = runChild({"--plain-side", library.string(), received.string(), out}, out);
            }
            if (c.seconds < 0) {
                std::cerr << names[who] << " failed\n";
                return 1;
            }
            times[who].push_back(c.seconds);
        }
    }
    peer->stop();
    std::printf("%d photos of %zu MiB (%.0f MiB), %d runs, medians\n", files, mib, totalMiB, runs);
    const double ours = median(times[0]);
    for (int who = 0; who < 3; ++who) {
        const double t = median(times[who]);
        std::printf("%-36s %.3f s  %7.1f MiB/s  batch throughput / this %.2fx\n", names[who], t,
                    totalMiB / t, t / ours);
    }
    std::printf("phone side peak RSS: median %.1f MiB, max %.1f MiB\n", median(rss),
                *std::max_element(rss.begin(), rss.end()));
    fs::remove_all(dir);
    return 0;
}
