#include "platform/Log.h"

#include "platform/LineNumberLogFormatter.h"

#include <spdlog/sinks/stdout_color_sinks.h>

#include <mutex>

namespace pd::log {

namespace {

std::shared_ptr<spdlog::logger> makeLogger() {
    // stderr keeps stdout free for the front-end's output (and its JSON lines).
    auto sink = std::make_shared<spdlog::sinks::stderr_color_sink_mt>();
    sink->set_color(spdlog::level::info, sink->blue);
    sink->set_color(spdlog::level::debug, sink->magenta);
    sink->set_color(spdlog::level::trace, sink->green);
    auto formatter = std::make_unique<LineNumberLogFormatter>();
    formatter->didAddToLogger();
    sink->set_formatter(std::move(formatter));
    auto logger = std::make_shared<spdlog::logger>("pocketdesk", sink);
    logger->set_level(spdlog::level::warn);
    return logger;
}

std::shared_ptr<spdlog::logger>& instance() {
    // Never destroyed: threads that outlive main() (a link still open at exit) may still log.
    static auto* const logger = new std::shared_ptr<spdlog::logger>(makeLogger());
    return *logger;
}

}  // namespace

spdlog::logger* logger() {
    return instance().get();
}

void setup(spdlog::level::level_enum level) {
    instance()->set_level(level);
}

}  // namespace pd::log
