#pragma once
// The log line: "<time> <message> [<file>:<line>]", time as "yyyy-MM-dd HH:mm:ss:SSS" in local
// time, file as the last path component of the source file name.

#include <spdlog/formatter.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace pd {

struct LogMessage {
    std::chrono::system_clock::time_point timestamp;
    std::string_view message;
    std::string_view file;
    int line = 0;
};

class LineNumberLogFormatter : public spdlog::formatter {
  public:
    std::string formatLogMessage(const LogMessage& msg) const;

    // Loggers this formatter is attached to. The time is formatted with localtime_r on every
    // thread, so the count only matters to callers that ask.
    void didAddToLogger() { loggerCount_.fetch_add(1); }
    void willRemoveFromLogger() { loggerCount_.fetch_sub(1); }
    int loggerCount() const { return loggerCount_.load(); }

    void format(const spdlog::details::log_msg& msg, spdlog::memory_buf_t& dest) override;
    std::unique_ptr<spdlog::formatter> clone() const override;

    static std::string formatTime(std::chrono::system_clock::time_point t);

  private:
    std::atomic<int> loggerCount_{0};
};

}  // namespace pd
