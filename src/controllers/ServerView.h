#pragma once
// The view of the server list screen.

#include "controllers/ScreenView.h"
#include "controllers/ServerListData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pd {

class ServerView : public ScreenView {
  public:
    // The first-run introduction (four pages); the view calls introFinished() on the
    // controller when the user completes it.
    virtual void showIntro(int /*pages*/) {}
    virtual void hideIntro() {}
    virtual void reloadRows(const std::vector<ServerListData>& /*rows*/) {}
    // The tip line below the list (an already formatted text).
    virtual void setTipLine(const std::string& /*text*/) {}
    virtual void setRefreshEnabled(bool /*enabled*/) {}
    virtual void setSpinning(bool /*spinning*/) {}
    // Presents the main tabs once a computer is paired.
    virtual void presentMainTabs() {}
    // Presents the six-digit check-code entry for a row.
    virtual void presentCheckCode(std::int64_t /*row*/, const std::string& /*deviceTag*/) {}
    virtual void dismissCheckCode() {}
    virtual void presentMore() {}
};

}  // namespace pd
