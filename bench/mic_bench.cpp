// The microphone stream on loopback: a paced sound file as the microphone (half a second of
// audio every half second, as a real capture delivers it), the recorder and the stream sender,
// writing to the real pocketdesk-peer's audio receiver, which runs in a child process so its
// CPU is not counted. Reports the CPU this process used over the stream (getrusage: user +
// system) as a share of one core, and per buffer the delay from the source handing it over to
// its last byte being written, median and p99.
//
//   mic_bench [--seconds N]

#include "NetWork/AudioStreamTransfer.h"
#include "PeerLauncher.h"
#include "core/Recorder.h"
#include "platform/FileAudioInput.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <sndfile.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

using namespace pd;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

// A voice-like test tone: 300 Hz with a slow swell, 16-bit.
bool writeTone(const fs::path& file, int seconds) {
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!sf) {
        return false;
    }
    std::vector<short> samples(static_cast<std::size_t>(seconds) * 8000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = i / 8000.0;
        samples[i] =
            static_cast<short>(12000 * (0.6 + 0.4 * std::sin(t)) * std::sin(2 * M_PI * 300 * t));
    }
    sf_write_short(sf, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(sf);
    return true;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(std::ceil(p * v.size())) - 1;
    return v[std::min(i, v.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 30;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0) {
            seconds = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    pd::log::setup(spdlog::level::warn);
    const fs::path dir = fs::temp_directory_path() / ("mic_bench." + std::to_string(::getpid()));
    fs::create_directories(dir / "root" / "C");
    const fs::path tone = dir / "tone.wav";
    if (!writeTone(tone, seconds)) {
        std::fprintf(stderr, "cannot write %s\n", tone.c_str());
        return 1;
    }
    auto peer =
        peer::PeerLauncher::start(peer::findPeerProgram(POCKETDESK_PEER_PATH),
                                  {"--root", (dir / "root").string(), "--discovery-port", "0"},
                                  std::chrono::seconds(10), true);
    if (!peer) {
        std::fprintf(stderr, "pocketdesk-peer did not start\n");
        return 1;
    }
    const int port = peer->ready().value("audio_port", 0);

    auto opened = FileAudioInput::open(tone);  // paced
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error.c_str());
        return 1;
    }
    std::mutex mutex;
    std::vector<double> delaysMs;
    std::uint64_t bytes = 0;
    AudioStreamTransfer sender;
    sender.setSentObserver([&](const AudioStreamTransfer::Sent& s) {
        std::lock_guard lock(mutex);
        if (s.written) {
            delaysMs.push_back(
                std::chrono::duration<double, std::milli>(s.doneAt - s.queuedAt).count());
            bytes += s.bytes;
        }
    });
    Recorder recorder(std::move(opened.input));
    std::atomic<bool> stopped{false};
    recorder.GetAudioStreamBlock([&](std::vector<std::uint8_t> b) {
        sender.ConnectServer("127.0.0.1", port, std::move(b));
    });
    recorder.StopAudioStreamBlock([&](const RecorderStop&) { stopped = true; });

    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    if (!recorder.start()) {
        return 1;
    }
    MainQueue::shared().runUntil([&] { return stopped.load(); },
                                 t0 + std::chrono::seconds(seconds + 10));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    peer->stop();

    std::lock_guard lock(mutex);
    std::printf(
        "streamed %.1f s of audio in %.1f s: %llu bytes in %zu buffers, %llu lost, %llu "
        "dropped\n",
        bytes / 16000.0, wall, static_cast<unsigned long long>(bytes), delaysMs.size(),
        static_cast<unsigned long long>(sender.stats().buffersLost),
        static_cast<unsigned long long>(sender.stats().buffersDropped));
    std::printf("cpu %.3f s = %.3f%% of one core\n", cpu, 100.0 * cpu / wall);
    std::printf("delay source->written: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                percentile(delaysMs, 0.5), percentile(delaysMs, 0.99), percentile(delaysMs, 1.0));
    fs::remove_all(dir);
    return 0;
}
