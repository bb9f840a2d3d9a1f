#include "TerminalServerView.h"

#include "LineReader.h"
#include "TerminalBrowserViews.h"
#include "app/MainLoop.h"
#include "controllers/ServerViewController.h"

namespace pd::cli {

void TerminalServerView::showProgress(const std::string& key) {
    out_.event({{"event", "progress"}, {"key", key}}, app::displayText(key) + "...");
}

void TerminalServerView::showTip(const std::string& key, std::chrono::milliseconds) {
    out_.event({{"event", "tip"}, {"key", key}}, app::displayText(key));
}

void TerminalServerView::askConfirmation(const std::string& key,
                                         const std::vector<std::string>& buttons,
                                         std::function<void(int)> answer) {
    confirmOnTerminal(out_, answerYes_, key, buttons, std::move(answer));
}

void TerminalServerView::presentCheckCode(std::int64_t row, const std::string& deviceTag) {
    auto controller = controller_.lock();
    if (!askForCode_ || !controller || !stdinIsTerminal()) {
        return;
    }
    askForCode_ = false;  // one retry
    entry_ = std::make_unique<AUTHViewController>(row, deviceTag, controller);
    entry_->viewDidLoad();
    outcome_.reset();
    readLineAsync(app::displayText("enterCheckCode") + ": ", [this](std::string line) {
        // Held here while typing: finishing the entry dismisses it from inside the last field.
        std::unique_ptr<AUTHViewController> entry = std::move(entry_);
        if (!entry) {
            return;
        }
        // Type the code into the six fields, one character each, as on the phone.
        int field = 0;
        for (char c : line) {
            if (c == ' ' || c == '\r')
                continue;
            if (field >= AUTHViewController::kFieldCount)
                break;
            entry->textDidChange(field++, std::string(1, c));
        }
        if (field < AUTHViewController::kFieldCount) {
            out_.error("the check code has six characters");
            entry->cancel();
            outcome_ = PairingOutcome::Refused;
        }
    });
}

void TerminalServerView::dismissCheckCode() {
    entry_.reset();
}

}  // namespace pd::cli
