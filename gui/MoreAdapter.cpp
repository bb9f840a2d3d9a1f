#include "MoreAdapter.h"

#include "ExternalLinks.h"

#include "app/FeedbackScreen.h"
#include "controllers/MoreTableViewController.h"

#include <QVariantMap>

namespace pd::gui {

MoreAdapter::MoreAdapter(Overlay& overlay, std::shared_ptr<MoreTableViewController> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {}

void MoreAdapter::select(int tag) {
    if (tag == MoreTableViewController::kClearCacheTag &&
        controller_->cacheDirSize() >= MoreTableViewController::kClearThreshold &&
        !controller_->isClearing()) {
        // Deleting the previews cannot be undone: ask, as for any deletion.
        std::weak_ptr<MoreTableViewController> weak = controller_;
        overlay_.ask("sure clear cache", {"cancel", "ok"}, [weak](int chosen) {
            if (auto c = weak.lock(); c && chosen == 1) {
                c->didSelectRow(MoreTableViewController::kClearCacheTag);
            }
        });
        return;
    }
    controller_->didSelectRow(tag);
}

void MoreAdapter::setPhoneFilesOn(bool on) {
    if (on != phoneFiles_) {
        phoneFiles_ = on;
        controller_->mgrFileSwitchAction(on);
        emit phoneFilesChanged();
    }
}

void MoreAdapter::openSettings() {
    settings_ = makeAdapter(new SettingsAdapter());
    connect(settings_.get(), &SettingsAdapter::closed, this, [this] {
        // The phone-file switch is among the settings: show what the page left.
        if (settings_) {
            phoneFiles_ = settings_->valueOf("phone-files") != "off";
            emit phoneFilesChanged();
        }
        settings_.reset();
        emit backToMore();
    });
    emit settingsOpened(settings_.get());
}

void MoreAdapter::back() {
    controller_->DoBack();
}

void MoreAdapter::setTitle(const std::string& key) {
    title_ = displayText(key);
    emit changed();
}

void MoreAdapter::setRows(const std::vector<MoreRow>& rows) {
    rows_.clear();
    for (const MoreRow& row : rows) {
        rows_.append(QVariantMap{{"tag", row.tag}, {"title", displayText(row.titleKey)}});
    }
    emit changed();
}

void MoreAdapter::setCacheSize(const std::string& text, std::uint64_t) {
    cacheSize_ = QString::fromStdString(text);
    emit cacheChanged();
}

void MoreAdapter::setPhoneFilesSwitch(bool on) {
    phoneFiles_ = on;
    emit phoneFilesChanged();
}

void MoreAdapter::showTextTip(const std::string& text, std::chrono::milliseconds duration) {
    overlay_.showTipText(QString::fromStdString(text), duration);
}

void MoreAdapter::cacheCleared(CacheClearOutcome outcome, std::uint64_t freedBytes) {
    cleared_ = outcome;
    freed_ = freedBytes;
    emit cacheClearEnded();
}

std::shared_ptr<AboutView> MoreAdapter::presentAbout(
    const std::shared_ptr<AboutViewController>& screen) {
    about_ = makeAdapter(new AboutAdapter(overlay_, screen));
    connect(about_.get(), &AboutAdapter::closed, this, [this] {
        about_.reset();
        emit backToMore();
    });
    emit aboutOpened(about_.get());
    return about_;
}

void MoreAdapter::presentFeedback() {
    feedback_ = makeAdapter(new FeedbackAdapter(overlay_));
    connect(feedback_.get(), &FeedbackAdapter::closed, this, [this] {
        feedback_.reset();
        emit backToMore();
    });
    emit feedbackOpened(feedback_.get());
    // The current home's feedback address, as any other front-end opens it.
    feedback_->setController(app::openFeedback({}, feedback_));
}

void MoreAdapter::openUrl(const std::string& url) {
    openExternalLink(QString::fromStdString(url));
}

void MoreAdapter::closeScreen() {
    emit closed();
}

}  // namespace pd::gui
