#include "platform/LineNumberLogFormatter.h"

#include "platform/Log.h"

#include <gtest/gtest.h>
#include <spdlog/sinks/ostream_sink.h>

#include <ctime>
#include <sstream>

namespace {

// A local time, as the log line shows it.
std::chrono::system_clock::time_point local(int y, int mo, int d, int h, int mi, int s, int ms) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm)) + std::chrono::milliseconds(ms);
}

}  // namespace

TEST(LineNumberLogFormatter, FormatsTheDocumentedLine) {
    pd::LineNumberLogFormatter f;
    pd::LogMessage m{local(2024, 3, 3, 9, 5, 7, 250), "ready", "net/Link", 42};
    EXPECT_EQ(f.formatLogMessage(m), "2024-03-03 09:05:07:250 ready [Link:42]");
    m.file = "Link.cpp";
    m.timestamp = local(1999, 12, 31, 23, 59, 59, 5);
    EXPECT_EQ(f.formatLogMessage(m), "1999-12-31 23:59:59:005 ready [Link.cpp:42]");

    // Through spdlog, the call's own file and line are on the line.
    std::ostringstream out;
    auto sink = std::make_shared<spdlog::sinks::ostream_sink_mt>(out);
    sink->set_formatter(std::make_unique<pd::LineNumberLogFormatter>());
    spdlog::logger logger("test", sink);
    const int line = __LINE__ + 1;
    SPDLOG_LOGGER_CALL(&logger, spdlog::level::info, "hello {}", 7);
    const std::string text = out.str();
    EXPECT_NE(text.find(" hello 7 [LineNumberLogFormatterTest.cpp:" + std::to_string(line) + "]\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text[4], '-');
    EXPECT_EQ(text[19], ':');  // milliseconds after a colon
}
