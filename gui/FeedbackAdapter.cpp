#include "FeedbackAdapter.h"

#include "controllers/FeedbackViewController.h"

#include <chrono>

namespace pd::gui {

FeedbackAdapter::FeedbackAdapter(Overlay& overlay) : OverlayScreen(overlay) {}

void FeedbackAdapter::setController(std::shared_ptr<FeedbackViewController> controller) {
    controller_ = std::move(controller);
    emit changed();
}

bool FeedbackAdapter::configured() const {
    return controller_ && controller_->configured();
}

void FeedbackAdapter::send(const QString& comment, const QString& contact) {
    if (controller_) {
        controller_->NvSendFeed(comment.trimmed().toStdString(), contact.trimmed().toStdString());
    }
}

void FeedbackAdapter::doneEditing() {
    if (controller_) {
        controller_->resignKeyboard();
    }
}

void FeedbackAdapter::back() {
    if (controller_) {
        controller_->DoBack();
    } else {
        emit closed();
    }
}

void FeedbackAdapter::setTitle(const std::string& key) {
    title_ = displayText(key);
    emit changed();
}

void FeedbackAdapter::setPlaceholders(const std::string& comment, const std::string& contact,
                                      const std::string& closeKeyboard) {
    commentPlaceholder_ = displayText(comment);
    contactPlaceholder_ = displayText(contact);
    doneText_ = displayText(closeKeyboard);
    emit changed();
}

void FeedbackAdapter::hideKeyboard() {
    emit keyboardHidden();
}

void FeedbackAdapter::setNetworkActivity(bool on) {
    busy_ = on;
    emit busyChanged();
}

void FeedbackAdapter::feedbackEnded(FeedbackOutcome outcome, const std::string& reason) {
    outcome_ = outcome;
    switch (outcome) {
        case FeedbackOutcome::Sent:
            status_.clear();
            // The screen closes at once: the thanks go where the user lands.
            overlay_.showTipText("Thank you: your feedback was sent", std::chrono::seconds(2));
            break;
        case FeedbackOutcome::Failed:
            status_ = displayText("feedback failed");
            if (!reason.empty()) {
                status_ += " (" + QString::fromStdString(reason) + ")";
            }
            break;
        case FeedbackOutcome::Empty:
            status_ = displayText("not fill feedback");
            break;
        case FeedbackOutcome::NotConfigured:
            status_ = displayText("feedback not configured");
            break;
    }
    emit ended();
}

void FeedbackAdapter::closeScreen() {
    emit closed();
}

}  // namespace pd::gui
