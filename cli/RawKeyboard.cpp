#include "RawKeyboard.h"

#include "app/MainLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

namespace pd::cli {

namespace {

// What the signal handler needs: plain data, set before the handlers are installed.
termios gSaved{};
int gWakeWrite = -1;
constexpr std::array kLeaveSignals = {SIGTERM, SIGHUP, SIGQUIT};
std::array<struct sigaction, kLeaveSignals.size()> gOldActions{};

constexpr char kStop = 'q';    // the keyboard is going away
constexpr char kSignal = 's';  // a termination signal arrived

void onLeaveSignal(int) {
    // Both calls are async-signal-safe; the reader thread turns the byte into a leave request.
    ::tcsetattr(STDIN_FILENO, TCSANOW, &gSaved);
    const int saved = errno;
    [[maybe_unused]] const auto n = ::write(gWakeWrite, &kSignal, 1);
    errno = saved;
}

}  // namespace

std::unique_ptr<RawKeyboard> RawKeyboard::open(std::string& error) {
    if (::isatty(STDIN_FILENO) != 1) {
        error = "stdin is not a terminal";
        return nullptr;
    }
    if (::tcgetattr(STDIN_FILENO, &gSaved) != 0) {
        error = std::string("cannot read the terminal's settings: ") + std::strerror(errno);
        return nullptr;
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    termios raw = gSaved;
    // Keys one at a time, unechoed; Ctrl-C, Ctrl-Z, Ctrl-S are keys. Output stays as it was, so
    // that a newline still starts a line.
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    gWakeWrite = wake[1];
    struct sigaction action {};
    action.sa_handler = onLeaveSignal;
    ::sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kLeaveSignals.size(); ++i) {
        ::sigaction(kLeaveSignals[i], &action, &gOldActions[i]);
    }
    if (::tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) {
        error = std::string("cannot put the terminal into raw mode: ") + std::strerror(errno);
        for (std::size_t i = 0; i < kLeaveSignals.size(); ++i) {
            ::sigaction(kLeaveSignals[i], &gOldActions[i], nullptr);
        }
        ::close(wake[0]);
        ::close(wake[1]);
        return nullptr;
    }
    return std::unique_ptr<RawKeyboard>(new RawKeyboard(wake[0], wake[1]));
}

RawKeyboard::RawKeyboard(int wakeRead, int wakeWrite)
    : wakeRead_(wakeRead), wakeWrite_(wakeWrite), reader_([this] { readLoop(); }) {}

RawKeyboard::~RawKeyboard() {
    [[maybe_unused]] const auto n = ::write(wakeWrite_, &kStop, 1);
    reader_.join();
    ::tcsetattr(STDIN_FILENO, TCSANOW, &gSaved);
    for (std::size_t i = 0; i < kLeaveSignals.size(); ++i) {
        ::sigaction(kLeaveSignals[i], &gOldActions[i], nullptr);
    }
    gWakeWrite = -1;
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

std::vector<std::string> RawKeyboard::take() {
    std::lock_guard lock(mutex_);
    return std::exchange(chunks_, {});
}

bool RawKeyboard::hasKeys() const {
    std::lock_guard lock(mutex_);
    return !chunks_.empty();
}

void RawKeyboard::readLoop() {
    // The main queue may be gone when a wake arrives late: the task holds nothing of ours.
    const auto wakeMain = [] { app::postToMain([] {}); };
    for (;;) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            leave_.store(true);
            wakeMain();
            return;
        }
        if (fds[1].revents != 0) {
            char byte = 0;
            if (::read(wakeRead_, &byte, 1) == 1 && byte == kSignal) {
                leave_.store(true);
                wakeMain();
                continue;
            }
            return;  // kStop
        }
        if (fds[0].revents != 0) {
            char buffer[64];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                leave_.store(true);  // the terminal went away
                wakeMain();
                return;
            }
            {
                std::lock_guard lock(mutex_);
                chunks_.emplace_back(buffer, static_cast<std::size_t>(n));
            }
            wakeMain();
        }
    }
}

}  // namespace pd::cli
