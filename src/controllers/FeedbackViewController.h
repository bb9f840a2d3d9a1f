#pragma once
// The feedback screen: the user writes a comment and an optional contact, and NvSendFeed posts
// them, signed, to the feedback service. Off unless the `feedback-url` setting names the
// service: the screen then says so and sends nothing. A feedback that fails says so and keeps
// the screen open with its text; one that is accepted closes the screen.
//
// Main queue only.

#include "controllers/FeedbackView.h"
#include "services/FeedbackForm.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace pd {

class FormPoster;

class FeedbackViewController : public std::enable_shared_from_this<FeedbackViewController> {
  public:
    static constexpr std::chrono::seconds kTimeLimit{10};

    struct Services {
        std::optional<std::string> url;  // the feedback service; empty: feedback is off
        std::shared_ptr<FormPoster> poster;
        feedback::FeedbackIdentity identity;
    };
    // The settings of the current application home, a curl poster and this device's identity.
    static Services standardServices();

    FeedbackViewController(std::weak_ptr<FeedbackView> view, Services services);
    void setView(std::weak_ptr<FeedbackView> view) { view_ = std::move(view); }

    void viewDidLoad();
    bool configured() const { return services_.url.has_value(); }
    // Sends the comment and contact; the outcome reaches the view's feedbackEnded().
    void NvSendFeed(const std::string& comment, const std::string& contact);
    bool sending() const { return sending_; }
    void resignKeyboard();
    void DoBack();

  private:
    void ended(FeedbackOutcome outcome, const std::string& reason);
    std::shared_ptr<FeedbackView> view() const { return view_.lock(); }

    std::weak_ptr<FeedbackView> view_;
    Services services_;
    bool sending_ = false;
};

}  // namespace pd
