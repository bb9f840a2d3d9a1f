#pragma once
// The view of the More screen: its rows, the cache size, the phone-file switch, and the screens
// it opens.

#include "controllers/AboutView.h"
#include "controllers/Outcomes.h"
#include "controllers/ScreenView.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class AboutViewController;

struct MoreRow {
    int tag = 0;
    std::string titleKey;

    bool operator==(const MoreRow&) const = default;
};

class MoreView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*key*/) {}
    // The rows to show, in order; hidden rows are not among them.
    virtual void setRows(const std::vector<MoreRow>& /*rows*/) {}
    // The cache size: `text` as the row shows it ("3 MB"), `bytes` exactly.
    virtual void setCacheSize(const std::string& /*text*/, std::uint64_t /*bytes*/) {}
    virtual void setPhoneFilesSwitch(bool /*on*/) {}
    // A tip whose text is already composed (a key's text with a number), hidden after `d`.
    virtual void showTextTip(const std::string& /*text*/, std::chrono::milliseconds /*d*/) {}
    // How a clearing ended and how many bytes it freed (the tip shows the same).
    virtual void cacheCleared(CacheClearOutcome /*outcome*/, std::uint64_t /*freedBytes*/) {}
    // Shows the About screen; returns the view it drives (may be null).
    virtual std::shared_ptr<AboutView> presentAbout(
        const std::shared_ptr<AboutViewController>& /*screen*/) {
        return nullptr;
    }
    // Shows the feedback screen (built by the front-end with its own controller).
    virtual void presentFeedback() {}
    virtual void openUrl(const std::string& /*url*/) {}
    // Leaves the More screen (back, or close when it was presented).
    virtual void closeScreen() {}
};

}  // namespace pd
