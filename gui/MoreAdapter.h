#pragma once
// The More screen for Qt Quick: its rows in order, the cache size and its clearing (asked
// first when there is something to clear), the switch that lets the computer manage this
// phone's files, and the screens it opens: About, feedback and the settings page.

#include "AboutAdapter.h"
#include "FeedbackAdapter.h"
#include "OverlayScreen.h"
#include "SettingsAdapter.h"

#include "controllers/MoreView.h"

#include <QObject>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>

namespace pd {
class MoreTableViewController;
}

namespace pd::gui {

class MoreAdapter : public QObject, public OverlayScreen<MoreView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    // {"tag", "title"} per row, in order.
    Q_PROPERTY(QVariantList rows READ rows NOTIFY changed)
    Q_PROPERTY(QString cacheSize READ cacheSize NOTIFY cacheChanged)
    Q_PROPERTY(bool phoneFiles READ phoneFiles NOTIFY phoneFilesChanged)

  public:
    MoreAdapter(Overlay& overlay, std::shared_ptr<MoreTableViewController> controller);

    // A row by its tag; clearing the cache asks first.
    Q_INVOKABLE void select(int tag);
    Q_INVOKABLE void setPhoneFilesOn(bool on);
    Q_INVOKABLE void openSettings();
    Q_INVOKABLE void back();

    const std::shared_ptr<MoreTableViewController>& controller() const { return controller_; }
    QString title() const { return title_; }
    QVariantList rows() const { return rows_; }
    QString cacheSize() const { return cacheSize_; }
    bool phoneFiles() const { return phoneFiles_; }
    // How the last clearing ended, and what it freed.
    const std::optional<CacheClearOutcome>& cleared() const { return cleared_; }
    std::uint64_t freedBytes() const { return freed_; }
    AboutAdapter* about() const { return about_.get(); }
    FeedbackAdapter* feedback() const { return feedback_.get(); }
    SettingsAdapter* settings() const { return settings_.get(); }

    // MoreView
    void setTitle(const std::string& key) override;
    void setRows(const std::vector<MoreRow>& rows) override;
    void setCacheSize(const std::string& text, std::uint64_t bytes) override;
    void setPhoneFilesSwitch(bool on) override;
    void showTextTip(const std::string& text, std::chrono::milliseconds duration) override;
    void cacheCleared(CacheClearOutcome outcome, std::uint64_t freedBytes) override;
    std::shared_ptr<AboutView> presentAbout(
        const std::shared_ptr<AboutViewController>& screen) override;
    void presentFeedback() override;
    void openUrl(const std::string& url) override;
    void closeScreen() override;

  signals:
    void changed();
    void cacheChanged();
    void phoneFilesChanged();
    void cacheClearEnded();
    // A screen opened over More (an AboutAdapter, FeedbackAdapter or SettingsAdapter).
    void aboutOpened(QObject* about);
    void feedbackOpened(QObject* feedback);
    void settingsOpened(QObject* settings);
    // More is in front again: QML pops what was over it.
    void backToMore();
    void closed();

  private:
    std::shared_ptr<MoreTableViewController> controller_;
    QString title_;
    QVariantList rows_;
    QString cacheSize_;
    bool phoneFiles_ = true;
    std::optional<CacheClearOutcome> cleared_;
    std::uint64_t freed_ = 0;
    std::shared_ptr<AboutAdapter> about_;
    std::shared_ptr<FeedbackAdapter> feedback_;
    std::shared_ptr<SettingsAdapter> settings_;
};

}  // namespace pd::gui
