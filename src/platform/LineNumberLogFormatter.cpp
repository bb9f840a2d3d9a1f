#include "platform/LineNumberLogFormatter.h"

#include <spdlog/details/log_msg.h>

#include <cstdio>
#include <ctime>

namespace pd {

std::string LineNumberLogFormatter::formatTime(std::chrono::system_clock::time_point t) {
    using namespace std::chrono;
    const auto sinceEpoch = t.time_since_epoch();
    auto secs = duration_cast<seconds>(sinceEpoch);
    auto millis = duration_cast<milliseconds>(sinceEpoch - secs).count();
    if (millis < 0) {  // times before 1970 round towards the earlier second
        millis += 1000;
        secs -= seconds(1);
    }
    const std::time_t tt = static_cast<std::time_t>(secs.count());
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d:%03d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(millis));
    return buf;
}

static std::string_view lastPathComponent(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string LineNumberLogFormatter::formatLogMessage(const LogMessage& msg) const {
    std::string out = formatTime(msg.timestamp);
    out.push_back(' ');
    out.append(msg.message);
    out.append(" [");
    out.append(lastPathComponent(msg.file));
    out.push_back(':');
    out.append(std::to_string(msg.line));
    out.push_back(']');
    return out;
}

void LineNumberLogFormatter::format(const spdlog::details::log_msg& msg,
                                    spdlog::memory_buf_t& dest) {
    LogMessage m;
    m.timestamp = msg.time;
    m.message = std::string_view(msg.payload.data(), msg.payload.size());
    m.file = msg.source.filename ? std::string_view(msg.source.filename) : std::string_view();
    m.line = msg.source.line;
    const std::string line = formatLogMessage(m);
    // The colour sink paints the range we mark: the whole line.
    msg.color_range_start = 0;
    msg.color_range_end = line.size();
    dest.append(line.data(), line.data() + line.size());
    dest.push_back('\n');
}

std::unique_ptr<spdlog::formatter> LineNumberLogFormatter::clone() const {
    return std::make_unique<LineNumberLogFormatter>();
}

}  // namespace pd
