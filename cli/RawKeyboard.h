#pragma once
// Keys from the terminal one at a time, for the gamepad: no echo, no line editing, and Ctrl-C
// arrives as a key rather than a signal. A thread of its own reads the keys and wakes the main
// queue. The terminal gets its settings back when the keyboard is destroyed, and at once when
// SIGTERM, SIGHUP or SIGQUIT arrives (which then asks the command to leave, so that it still
// lifts its keys on the computer).

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pd::cli {

class RawKeyboard {
  public:
    // Puts the terminal on stdin into raw mode; null with `error` set when it cannot.
    static std::unique_ptr<RawKeyboard> open(std::string& error);
    ~RawKeyboard();
    RawKeyboard(const RawKeyboard&) = delete;
    RawKeyboard& operator=(const RawKeyboard&) = delete;

    // What was typed since the last call: each read as the terminal sent it (an arrow key's
    // escape sequence arrives whole).
    std::vector<std::string> take();
    bool hasKeys() const;
    // A termination signal arrived, or stdin ended.
    bool leaveRequested() const { return leave_.load(); }

  private:
    RawKeyboard(int wakeRead, int wakeWrite);
    void readLoop();

    int wakeRead_;
    int wakeWrite_;
    std::atomic<bool> leave_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> chunks_;
    std::thread reader_;
};

}  // namespace pd::cli
