#pragma once
// The server list and pairing screens on a terminal: narrates what happens and remembers how
// the pairing ended. It decides nothing: every action goes to the controller.

#include "Output.h"
#include "controllers/AUTHViewController.h"
#include "controllers/ServerView.h"

#include <memory>
#include <optional>

namespace pd {
class ServerViewController;
}

namespace pd::cli {

class TerminalServerView : public ServerView {
  public:
    TerminalServerView(const Output& out, bool answerYes, bool askForCode)
        : out_(out), answerYes_(answerYes), askForCode_(askForCode) {}

    void setController(std::weak_ptr<ServerViewController> c) { controller_ = std::move(c); }
    // How the last connect ended; empty while it runs or while the code is being entered.
    const std::optional<PairingOutcome>& outcome() const { return outcome_; }
    void resetOutcome() { outcome_.reset(); }
    bool waitingForCode() const { return entry_ != nullptr; }

    void showProgress(const std::string& key) override;
    void showTip(const std::string& key, std::chrono::milliseconds duration) override;
    void askConfirmation(const std::string& key, const std::vector<std::string>& buttons,
                         std::function<void(int)> answer) override;
    void pairingEnded(PairingOutcome outcome) override { outcome_ = outcome; }
    void presentCheckCode(std::int64_t row, const std::string& deviceTag) override;
    void dismissCheckCode() override;

  private:
    const Output& out_;
    bool answerYes_;
    bool askForCode_;  // ask once for the code after a refusal
    std::optional<PairingOutcome> outcome_;
    std::weak_ptr<ServerViewController> controller_;
    std::unique_ptr<AUTHViewController> entry_;
};

}  // namespace pd::cli
