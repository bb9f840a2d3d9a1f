#pragma once
// The view of the server list screen.

#include "controllers/Outcomes.h"
#include "controllers/ScreenView.h"
#include "controllers/ServerListData.h"

#include <cstddef>
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
    // The tip line below the list: the text of `tipKey` with the text of `linkKey` as a link
    // that opens in the browser.
    virtual void setHomeTip(const std::string& /*tipKey*/, const std::string& /*linkKey*/) {}
    // The tip line after a search: the number of computers found and the text of `key`.
    virtual void setFoundTip(std::size_t /*count*/, const std::string& /*key*/) {}
    virtual void setRefreshEnabled(bool /*enabled*/) {}
    virtual void setSpinning(bool /*spinning*/) {}
    // How a connect ended (the screen's tips show the same to the user).
    virtual void pairingEnded(PairingOutcome /*outcome*/) {}
    // Presents the six-digit check-code entry for a row.
    virtual void presentCheckCode(std::int64_t /*row*/, const std::string& /*deviceTag*/) {}
    virtual void dismissCheckCode() {}
};

}  // namespace pd
