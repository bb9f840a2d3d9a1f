#pragma once
// The banner over the page in front while a dropped link is being restored: "Reconnecting to
// NAME… (attempt N)" until it is restored, then what was restored for a few seconds. When the
// link cannot be restored, a tip says so before the server list shows.

#include "Overlay.h"

#include "core/LinkRecoveryState.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

namespace pd::gui {

class LinkBanner : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text READ text NOTIFY changed)
    // True while trying again (the banner then shows a spinner), false once restored.
    Q_PROPERTY(bool reconnecting READ reconnecting NOTIFY changed)

  public:
    static constexpr std::chrono::seconds kRestoredShown{4};
    static constexpr std::chrono::seconds kGaveUpShown{4};

    explicit LinkBanner(Overlay& overlay);

    void show(const LinkRecoveryState& state);

    QString text() const { return text_; }
    bool reconnecting() const { return reconnecting_; }

  signals:
    void changed();

  private:
    void set(const QString& text, bool reconnecting);

    Overlay& overlay_;
    QString text_;
    bool reconnecting_ = false;
    QTimer hideTimer_;
};

}  // namespace pd::gui
