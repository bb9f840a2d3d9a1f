#pragma once
// Waiting in tests without sleeping for long: poll a condition with a time limit.

#include <chrono>
#include <functional>

namespace pd::test {

using namespace std::chrono_literals;

// Pumps MainQueue::shared() until `pred` holds or `limit` passes; returns the last `pred`.
bool pumpMainUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit = 5s);

// Polls `pred` every millisecond without pumping any queue.
bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds limit = 5s);

}  // namespace pd::test

namespace pd {
using test::pumpMainUntil;
using test::waitFor;
}  // namespace pd
