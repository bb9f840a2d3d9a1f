// pocketdesk feedback: sends a comment to the feedback service of the `feedback-url` setting.

#include "Commands.h"
#include "Output.h"
#include "RunLoop.h"
#include "TextFormat.h"

#include "app/FeedbackScreen.h"

namespace pd::cli {

namespace {

class TerminalFeedbackView : public FeedbackView {
  public:
    void feedbackEnded(FeedbackOutcome o, const std::string& why) override {
        outcome = o;
        reason = why;
    }
    std::optional<FeedbackOutcome> outcome;
    std::string reason;
};

// Longer than the screen's own limit, so the screen always ends the wait.
constexpr std::chrono::seconds kWaitLimit{20};

}  // namespace

int runFeedback(const GlobalOptions& options, const std::string& text, const std::string& contact) {
    Output out(options.outputMode());
    auto view = std::make_shared<TerminalFeedbackView>();
    auto screen = app::openFeedback(options.home, view);
    if (!screen->configured()) {
        out.error(
            "feedback is not configured: set where it goes with "
            "pocketdesk settings feedback-url URL");
        return kExitUsage;
    }
    screen->NvSendFeed(text, contact);
    runMainUntil([&] { return view->outcome.has_value(); }, kWaitLimit);
    switch (view->outcome.value_or(FeedbackOutcome::Failed)) {
        case FeedbackOutcome::Sent:
            out.result("feedback", "", {{"sent", true}}, "feedback sent");
            out.finish();
            return kExitOk;
        case FeedbackOutcome::Empty:
            out.error("no feedback text: write what you want to say");
            return kExitUsage;
        case FeedbackOutcome::NotConfigured:
            out.error("feedback is not configured");
            return kExitUsage;
        case FeedbackOutcome::Failed:
            break;
    }
    out.error("feedback not sent: " +
              visibleText(view->outcome ? view->reason : std::string("no answer in time")));
    return kExitFailure;
}

}  // namespace pd::cli
