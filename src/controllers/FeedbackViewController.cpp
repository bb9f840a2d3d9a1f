#include "controllers/FeedbackViewController.h"

#include "core/FormPost.h"
#include "core/Settings.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

namespace pd {

namespace {

constexpr std::chrono::milliseconds kTipTime{1000};

}  // namespace

FeedbackViewController::Services FeedbackViewController::standardServices() {
    Services services;
    services.url = Settings::standard().feedbackUrl();
    if (services.url) {
        services.poster = std::make_shared<CurlFormPoster>();
    }
    services.identity = feedback::standardIdentity();
    return services;
}

FeedbackViewController::FeedbackViewController(std::weak_ptr<FeedbackView> view, Services services)
    : view_(std::move(view)), services_(std::move(services)) {}

void FeedbackViewController::viewDidLoad() {
    if (auto v = view()) {
        v->setTitle("feedback");
        v->setPlaceholders("welcomes feedback", "contact info", "finished");
        if (!configured()) {
            v->showTip("feedback not configured", kTipTime);
        }
    }
}

void FeedbackViewController::NvSendFeed(const std::string& comment, const std::string& contact) {
    if (sending_) {
        return;  // one at a time: a second tap while sending sends nothing more
    }
    if (comment.empty()) {
        if (auto v = view()) {
            v->showTip("not fill feedback", kTipTime);
        }
        ended(FeedbackOutcome::Empty, {});
        return;
    }
    if (!configured() || !services_.poster) {
        if (auto v = view()) {
            v->showTip("feedback not configured", kTipTime);
        }
        ended(FeedbackOutcome::NotConfigured, {});
        return;
    }
    sending_ = true;
    if (auto v = view()) {
        v->setNetworkActivity(true);
        v->showProgress("comments submitting");
    }
    const std::string body =
        feedback::formBody(feedback::jsonData(services_.identity, comment, contact));
    std::weak_ptr<FeedbackViewController> weak = weak_from_this();
    services_.poster->post(*services_.url, body, kTimeLimit, [weak](const FormPostResult& r) {
        MainQueue::shared().async([weak, r] {
            auto self = weak.lock();
            if (!self) {
                return;
            }
            self->sending_ = false;
            if (auto v = self->view()) {
                v->setNetworkActivity(false);
                v->hideProgress();
            }
            if (r.ok) {
                self->ended(FeedbackOutcome::Sent, {});
                if (auto v = self->view()) {
                    v->closeScreen();
                }
            } else {
                PD_LOG_WARN("feedback not sent: {}", r.error);
                if (auto v = self->view()) {
                    v->showTip("feedback failed", kTipTime);
                }
                self->ended(FeedbackOutcome::Failed, r.error);
            }
        });
    });
}

void FeedbackViewController::ended(FeedbackOutcome outcome, const std::string& reason) {
    if (auto v = view()) {
        v->feedbackEnded(outcome, reason);
    }
}

void FeedbackViewController::resignKeyboard() {
    if (auto v = view()) {
        v->hideKeyboard();
    }
}

void FeedbackViewController::DoBack() {
    if (auto v = view()) {
        v->closeScreen();
    }
}

}  // namespace pd
