#pragma once
// The settings screen of one gamepad configuration (1 or 2). Opening it completes that
// configuration in the user-defaults store with the defaults of the buttons that have no key
// yet and makes it the configuration the pad plays with; choosing a name from the selection
// list stores it at once.
//
// Main queue only.

#include "controllers/GameHandleSetView.h"
#include "controllers/GameKeyMap.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace pd {

class UserDefaults;

enum class KeyChoiceOutcome {
    Stored,
    NotSelectable,  // the name is not one the list offers: nothing changed
    NoListOpen,     // no button's list is open: nothing changed
};

class GameHandleSetVC {
  public:
    // curClickBn values of the buttons.
    static constexpr int kUp = 1, kDown = 2, kLeft = 3, kRight = 4, kSquare = 5, kRing = 6, kX = 7,
                         kTriangle = 8, kL1 = 9, kL2 = 10, kR1 = 11, kR2 = 12, kStart = 13,
                         kSelect = 14;
    static std::optional<GameButton> buttonFor(int curClickBn);
    static int curClickBnFor(GameButton button);

    GameHandleSetVC(std::weak_ptr<GameHandleSetView> view, UserDefaults& defaults,
                    std::int32_t setType);
    void setView(std::weak_ptr<GameHandleSetView> view) { view_ = std::move(view); }

    void viewDidLoad();
    void SetBnTitle();
    void SetOneSchemeKey() { setSchemeKeys(1); }
    void SetTwoSchemeKey() { setSchemeKeys(2); }

    // A button was pressed: open the list at its current name.
    void buttonAction(int curClickBn);
    void upBnAction() { buttonAction(kUp); }
    void downBnAction() { buttonAction(kDown); }
    void leftBnAction() { buttonAction(kLeft); }
    void rightBnAction() { buttonAction(kRight); }
    void SquareBnAction() { buttonAction(kSquare); }
    void RingBnAction() { buttonAction(kRing); }
    void XBnAction() { buttonAction(kX); }
    void TriangleBnAction() { buttonAction(kTriangle); }
    void L1BnAction() { buttonAction(kL1); }
    void L2BnAction() { buttonAction(kL2); }
    void R1BnAction() { buttonAction(kR1); }
    void R2BnAction() { buttonAction(kR2); }
    void StartBnAction() { buttonAction(kStart); }
    void SelectBnAction() { buttonAction(kSelect); }

    // A name was chosen in the open list.
    KeyChoiceOutcome DropDownSelectValue(const std::string& name);
    // A touch outside the list closes it without a change.
    void touchesEnded();
    void DoBack();

    std::int32_t setType() const { return setType_; }
    int curClickBn() const { return curClickBn_; }
    bool listOpen() const { return listOpen_; }
    // The name a button shows.
    const std::string& title(GameButton button) const {
        return titles_[static_cast<std::size_t>(button)];
    }

  private:
    void setSchemeKeys(int configuration);
    void showTitle(GameButton button, std::string name);
    std::shared_ptr<GameHandleSetView> view() const { return view_.lock(); }

    std::weak_ptr<GameHandleSetView> view_;
    UserDefaults& defaults_;
    std::int32_t setType_;
    int curClickBn_ = 0;  // the button the list was last opened for
    bool listOpen_ = false;
    GameKeyNames titles_;
};

}  // namespace pd
