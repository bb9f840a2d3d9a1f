#pragma once
// The view of the feedback screen: a comment field, a contact field, a send button.

#include "controllers/ScreenView.h"

#include <string>

namespace pd {

enum class FeedbackOutcome {
    Sent,           // the service accepted it
    Failed,         // no answer, or the service refused it
    Empty,          // no comment: nothing sent
    NotConfigured,  // no feedback address set: nothing sent
};

class FeedbackView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*key*/) {}
    // Placeholder keys of the comment and contact fields, and the keyboard's close button.
    virtual void setPlaceholders(const std::string& /*comment*/, const std::string& /*contact*/,
                                 const std::string& /*closeKeyboard*/) {}
    virtual void hideKeyboard() {}
    // The network activity indication of the status bar.
    virtual void setNetworkActivity(bool /*on*/) {}
    // How a send ended; `reason` says why it failed (empty otherwise).
    virtual void feedbackEnded(FeedbackOutcome /*outcome*/, const std::string& /*reason*/) {}
    // Back to the More screen.
    virtual void closeScreen() {}
};

}  // namespace pd
