#pragma once
// Logging for the whole project: spdlog with our line format (see LineNumberLogFormatter).
// Every call carries its source file and line. Levels: verbose (trace), debug, info, warn, error.

#include <spdlog/spdlog.h>

#include <memory>

namespace pd::log {

// The process logger; created on first use with a colour console sink on stderr.
spdlog::logger* logger();

// Console logger with colours (info blue, debug purple, verbose green) and our formatter.
// Safe to call more than once; the last level wins.
void setup(spdlog::level::level_enum level = spdlog::level::info);

}  // namespace pd::log

#define PD_LOG_AT(level, ...) SPDLOG_LOGGER_CALL(::pd::log::logger(), level, __VA_ARGS__)
#define PD_LOG_VERBOSE(...) PD_LOG_AT(spdlog::level::trace, __VA_ARGS__)
#define PD_LOG_DEBUG(...) PD_LOG_AT(spdlog::level::debug, __VA_ARGS__)
#define PD_LOG_INFO(...) PD_LOG_AT(spdlog::level::info, __VA_ARGS__)
#define PD_LOG_WARN(...) PD_LOG_AT(spdlog::level::warn, __VA_ARGS__)
#define PD_LOG_ERROR(...) PD_LOG_AT(spdlog::level::err, __VA_ARGS__)
