#include "app/MainLoop.h"

#include "platform/Localization.h"
#include "platform/MainQueue.h"

#include <asio/signal_set.hpp>

#include <csignal>
#include <memory>

namespace pd::app {

bool runMainUntil(const std::function<bool()>& done,
                  std::chrono::steady_clock::time_point deadline) {
    return MainQueue::shared().runUntil(done, deadline);
}

std::size_t pollMainQueue() {
    return MainQueue::shared().poll();
}

void setMainWakeHook(std::function<void()> hook) {
    MainQueue::shared().setWakeHook(std::move(hook));
}

void postToMain(std::function<void()> task) {
    MainQueue::shared().async(std::move(task));
}

namespace {

void waitForSignal(const std::shared_ptr<asio::signal_set>& signals,
                   const std::shared_ptr<std::function<void()>>& handler) {
    signals->async_wait([signals, handler](const asio::error_code& ec, int) {
        if (ec) {
            return;
        }
        (*handler)();
        waitForSignal(signals, handler);
    });
}

}  // namespace

void onInterrupt(std::function<void()> handler) {
    auto signals = std::make_shared<asio::signal_set>(MainQueue::shared().context(), SIGINT);
    waitForSignal(signals, std::make_shared<std::function<void()>>(std::move(handler)));
}

std::string displayText(const std::string& key) {
    return Localized(key);
}

}  // namespace pd::app
