#pragma once
// The overlays every screen can show: a progress overlay with a text, a short tip that hides
// itself after the screen's duration, and confirmations with their buttons (asked one at a
// time, in order). Texts arrive as localisation keys and are shown as their display texts.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace pd::gui {

class Overlay : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString progressText READ progressText NOTIFY progressChanged)
    Q_PROPERTY(bool progressVisible READ progressVisible NOTIFY progressChanged)
    Q_PROPERTY(QString tipText READ tipText NOTIFY tipChanged)
    Q_PROPERTY(QString question READ question NOTIFY questionChanged)
    Q_PROPERTY(QStringList buttons READ buttons NOTIFY questionChanged)

  public:
    Overlay();

    void showProgress(const std::string& key);
    void hideProgress();
    void showTip(const std::string& key, std::chrono::milliseconds duration);
    // A tip whose text is already for display (it carries a message from elsewhere).
    void showTipText(const QString& text, std::chrono::milliseconds duration);
    void ask(const std::string& key, const std::vector<std::string>& buttons,
             std::function<void(int)> answer);

    // The user chose button `index` of the question shown.
    Q_INVOKABLE void answer(int index);

    QString progressText() const { return progressText_; }
    bool progressVisible() const { return progressVisible_; }
    QString tipText() const { return tipText_; }
    QString question() const;
    QStringList buttons() const;

  signals:
    void progressChanged();
    void tipChanged();
    void questionChanged();

  private:
    struct Question {
        QString text;
        QStringList buttons;
        std::function<void(int)> answer;
    };

    QString progressText_;
    bool progressVisible_ = false;
    QString tipText_;
    QTimer tipTimer_;
    std::deque<Question> questions_;
};

// The display text of a localisation key, for Qt.
QString displayText(const std::string& key);

}  // namespace pd::gui
