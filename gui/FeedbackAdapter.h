#pragma once
// The feedback screen for Qt Quick: the comment and contact fields with their placeholders,
// send, the network activity while it goes, and how it ended. A failed send says so and the
// screen stays with the text as written; an accepted one closes the screen.

#include "OverlayScreen.h"

#include "controllers/FeedbackView.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace pd {
class FeedbackViewController;
}

namespace pd::gui {

class FeedbackAdapter : public QObject, public OverlayScreen<FeedbackView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString commentPlaceholder READ commentPlaceholder NOTIFY changed)
    Q_PROPERTY(QString contactPlaceholder READ contactPlaceholder NOTIFY changed)
    Q_PROPERTY(QString doneText READ doneText NOTIFY changed)
    // False when no feedback address is set: the screen says so and sends nothing.
    Q_PROPERTY(bool configured READ configured NOTIFY changed)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // What the last send came to, for the line under the fields (empty: nothing to say).
    Q_PROPERTY(QString status READ status NOTIFY ended)

  public:
    explicit FeedbackAdapter(Overlay& overlay);
    void setController(std::shared_ptr<FeedbackViewController> controller);

    Q_INVOKABLE void send(const QString& comment, const QString& contact);
    Q_INVOKABLE void doneEditing();
    Q_INVOKABLE void back();

    QString title() const { return title_; }
    QString commentPlaceholder() const { return commentPlaceholder_; }
    QString contactPlaceholder() const { return contactPlaceholder_; }
    QString doneText() const { return doneText_; }
    bool configured() const;
    bool busy() const { return busy_; }
    QString status() const { return status_; }
    const std::optional<FeedbackOutcome>& outcome() const { return outcome_; }

    // FeedbackView
    void setTitle(const std::string& key) override;
    void setPlaceholders(const std::string& comment, const std::string& contact,
                         const std::string& closeKeyboard) override;
    void hideKeyboard() override;
    void setNetworkActivity(bool on) override;
    void feedbackEnded(FeedbackOutcome outcome, const std::string& reason) override;
    void closeScreen() override;

  signals:
    void changed();
    void busyChanged();
    void ended();
    void keyboardHidden();
    void closed();

  private:
    std::shared_ptr<FeedbackViewController> controller_;
    QString title_;
    QString commentPlaceholder_;
    QString contactPlaceholder_;
    QString doneText_;
    bool busy_ = false;
    QString status_;
    std::optional<FeedbackOutcome> outcome_;
};

}  // namespace pd::gui
