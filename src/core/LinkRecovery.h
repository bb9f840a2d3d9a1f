#pragma once
// Restoring a link that dropped: attempts at the remembered address with growing pauses, some
// of them preceded by a search for the computer (its program may have come back on other
// ports), until one links or the attempts run out. It only decides when to try; the core
// controller makes each attempt and tells it how the attempt ended.
//
// Main queue only; every hook is called there.

#include "core/LinkRecoveryState.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace pd {

class LinkRecovery {
  public:
    struct Hooks {
        std::function<void()> connect;  // one attempt; its end comes as attemptFailed/succeeded
        // Looks for the computer again (updating its address when found), then calls `done`.
        std::function<void(std::function<void()> done)> search;
        std::function<void(const LinkRecoveryState&)> report;
        std::function<void()> gaveUp;  // after the report of GaveUp
        // The pause before attempt n (from 1); the standard schedule when unset.
        std::function<std::chrono::milliseconds(int)> delayBefore;
    };
    static constexpr int kMaxAttempts = 10;

    // 0.5 s, 1 s, 2 s, 4 s, then 8 s: about a minute in all.
    static std::chrono::milliseconds standardDelay(int attempt);
    // Every third attempt looks for the computer first.
    static bool searchesBefore(int attempt) { return attempt % 3 == 0; }

    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // The link to `pcName` dropped: the first attempt follows its pause.
    void begin(std::string pcName);
    // The attempt made did not link: the next one follows, or the recovery gives up.
    void attemptFailed();
    // Linked again; `detail` says what goes on.
    void succeeded(std::string detail);
    // No way back (the computer refuses the remembered code): report it and stop.
    void giveUp(std::string why);
    // Ends quietly (the user picked another computer or left).
    void cancel();

    bool active() const { return active_; }
    int attempt() const { return attempt_; }

  private:
    void scheduleNext();
    void report(LinkRecoveryState::Phase phase, std::string detail = {});

    Hooks hooks_;
    bool active_ = false;
    int attempt_ = 0;
    std::uint64_t round_ = 0;  // a timer of an earlier round or attempt does nothing
    std::string pcName_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace pd
