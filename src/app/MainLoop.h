#pragma once
// Running the main queue from a front-end: every screen, delegate call and notification runs
// there. A terminal command runs it until what it waits for has happened; a toolkit's event
// loop installs a wake hook and polls when woken.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace pd::app {

// Runs main-queue tasks until `done()` holds (checked after each task) or `deadline` passes,
// sleeping while nothing is posted. Returns done().
bool runMainUntil(const std::function<bool()>& done,
                  std::chrono::steady_clock::time_point deadline);
// Runs the tasks that are ready now, without waiting.
std::size_t pollMainQueue();
// `hook` is called (from any thread) whenever a task is posted; schedule a pollMainQueue() on
// the toolkit's thread from it. An empty hook removes it.
void setMainWakeHook(std::function<void()> hook);
// Runs `task` on the main queue soon; callable from any thread (a front-end's reader thread).
void postToMain(std::function<void()> task);
// Runs `handler` on the main queue at each Ctrl-C (SIGINT), which also wakes runMainUntil.
void onInterrupt(std::function<void()> handler);
// The display text of a localisation key.
std::string displayText(const std::string& key);

}  // namespace pd::app
