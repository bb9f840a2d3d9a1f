#pragma once
// What every screen can ask of its view: overlays, short tips and confirmations. Texts are
// localisation keys; the view shows Localized(key). A view implements what it can show; the
// defaults do nothing.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace pd {

class ScreenView {
  public:
    virtual ~ScreenView() = default;

    // A progress overlay with a text, until hideProgress().
    virtual void showProgress(const std::string& /*key*/) {}
    virtual void hideProgress() {}
    // A text-only overlay with the text of `key`, hidden after `duration`.
    virtual void showTip(const std::string& /*key*/, std::chrono::milliseconds /*duration*/) {}
    // Asks a question with buttons (keys); `answer` gets the index of the chosen button.
    virtual void askConfirmation(const std::string& /*key*/,
                                 const std::vector<std::string>& /*buttons*/,
                                 std::function<void(int)> /*answer*/) {}
};

}  // namespace pd
