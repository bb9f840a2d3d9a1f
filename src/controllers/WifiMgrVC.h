#pragma once
// The list of devices on the computer's hotspot. While the screen is shown it asks the computer
// for the list once a second; each answer refreshes the rows, all of them unless a row has its
// swipe actions open, which then keeps its state. The actions only close the row: the computer
// offers no request for them.
//
// Main queue only.

#include "controllers/WifiMgrView.h"
#include "core/AuthCoreDelegate.h"
#include "model/WifiListItemData.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace pd {

class AuthCore;
class RepeatingTimer;

class WifiMgrVC : public AuthCoreDelegate, public std::enable_shared_from_this<WifiMgrVC> {
  public:
    WifiMgrVC(std::weak_ptr<WifiMgrView> view, AuthCore& core,
              std::chrono::milliseconds interval = std::chrono::seconds(1));
    ~WifiMgrVC() override;
    void setView(std::weak_ptr<WifiMgrView> view) { view_ = std::move(view); }

    // Titles the screen, becomes the core controller's delegate and starts polling at once.
    void viewDidLoad();
    // Stops polling and closes the screen; no request is issued after this.
    void DoBack();
    bool polling() const { return timer_ != nullptr; }

    static WifiRow rowFor(const WifiListItemData& item);
    std::vector<WifiRow> rows() const;
    // A row's swipe actions opened or closed.
    void swipeStateChanged(std::size_t row, bool open);
    // An action of a row was chosen: 0 and 1 close the row's actions, 2 does nothing.
    void didTriggerRightUtilityButton(std::size_t row, int index);

    const std::vector<WifiListItemData>& listArr() const { return listArr_; }
    long openActionsRow() const { return openRow_; }

    // Forgets the devices seen so far (the set lives as long as the application).
    static void resetSeenDevicesForTests();

    // AuthCoreDelegate
    void AuthCoreListFinish(const std::vector<WifiListItemData>& clients) override;

  private:
    void announceNewcomers();
    std::shared_ptr<WifiMgrView> view() const { return view_.lock(); }

    std::weak_ptr<WifiMgrView> view_;
    AuthCore& core_;
    std::chrono::milliseconds interval_;
    std::unique_ptr<RepeatingTimer> timer_;
    std::vector<WifiListItemData> listArr_;
    long openRow_ = -1;
};

}  // namespace pd
