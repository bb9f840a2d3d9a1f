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
    enum class Outcome { Pending, Paired, Refused, ConnectionFailed };

    TerminalServerView(const Output& out, bool answerYes, bool askForCode)
        : out_(out), answerYes_(answerYes), askForCode_(askForCode) {}

    void setController(std::weak_ptr<ServerViewController> c) { controller_ = std::move(c); }
    Outcome outcome() const { return outcome_; }
    void resetOutcome() { outcome_ = Outcome::Pending; }
    bool waitingForCode() const { return entry_ != nullptr; }

    void showProgress(const std::string& key) override;
    void hideProgress() override {}
    void showTip(const std::string& text, std::chrono::milliseconds duration) override;
    void askConfirmation(const std::string& key, const std::vector<std::string>& buttons,
                         std::function<void(int)> answer) override;
    void showIntro(int) override {}
    void reloadRows(const std::vector<ServerListData>&) override {}
    void setTipLine(const std::string&) override {}
    void presentMainTabs() override;
    void presentCheckCode(std::int64_t row, const std::string& deviceTag) override;
    void dismissCheckCode() override;

  private:
    const Output& out_;
    bool answerYes_;
    bool askForCode_;  // ask once for the code after a refusal
    Outcome outcome_ = Outcome::Pending;
    std::weak_ptr<ServerViewController> controller_;
    std::unique_ptr<AUTHViewController> entry_;
    std::string lastTip_;
};

}  // namespace pd::cli
