#pragma once
// The view of a gamepad configuration's settings: one control per button titled with its key
// name, and the selection list of key names that opens beside a button.

#include "controllers/ScreenView.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace pd {

class GameHandleSetView : public ScreenView {
  public:
    // A localisation key; empty for no title.
    virtual void setTitle(const std::string& /*key*/) {}
    // The title of a button, by its curClickBn value (1 up ... 14 select).
    virtual void setButtonTitle(int /*button*/, const std::string& /*name*/) {}
    // Opens the list beside a button with `selectedRow` selected and scrolled to the top;
    // no row is selected when the button's name is not in the list.
    virtual void showSelectionList(int /*button*/, const std::vector<std::string>& /*names*/,
                                   std::optional<std::size_t> /*selectedRow*/) {}
    virtual void hideSelectionList() {}
    virtual void closeScreen() {}
};

}  // namespace pd
