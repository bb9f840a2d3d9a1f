#pragma once
// The More screen on a terminal: it keeps what the cache command prints (the size, the tip,
// how a clearing ended) and decides nothing.

#include "app/MainLoop.h"
#include "controllers/MoreView.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pd::cli {

class TerminalMoreView : public MoreView {
  public:
    void setCacheSize(const std::string& text, std::uint64_t bytes) override {
        sizeText = text;
        sizeBytes = bytes;
    }
    void showTip(const std::string& key, std::chrono::milliseconds) override {
        tip = app::displayText(key);
    }
    void showTextTip(const std::string& text, std::chrono::milliseconds) override { tip = text; }
    void cacheCleared(CacheClearOutcome outcome, std::uint64_t freedBytes) override {
        cleared = outcome;
        freed = freedBytes;
    }

    std::string sizeText;
    std::uint64_t sizeBytes = 0;
    std::string tip;
    std::optional<CacheClearOutcome> cleared;
    std::uint64_t freed = 0;
};

}  // namespace pd::cli
