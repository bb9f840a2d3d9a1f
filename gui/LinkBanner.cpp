#include "LinkBanner.h"

namespace pd::gui {

LinkBanner::LinkBanner(Overlay& overlay) : overlay_(overlay) {
    hideTimer_.setSingleShot(true);
    connect(&hideTimer_, &QTimer::timeout, this, [this] { set({}, false); });
}

void LinkBanner::show(const LinkRecoveryState& state) {
    const QString name = QString::fromStdString(state.pcName);
    switch (state.phase) {
        case LinkRecoveryState::Phase::Reconnecting:
            hideTimer_.stop();
            set(QString("Reconnecting to %1… (attempt %2)").arg(name).arg(state.attempt), true);
            break;
        case LinkRecoveryState::Phase::Restored:
            set(state.detail.empty() ? QString("Reconnected to %1").arg(name)
                                     : "Reconnected: " + QString::fromStdString(state.detail),
                false);
            hideTimer_.start(kRestoredShown);
            break;
        case LinkRecoveryState::Phase::GaveUp:
            hideTimer_.stop();
            set({}, false);
            overlay_.showTipText(
                QString("Could not reconnect to %1").arg(name) +
                    (state.detail.empty() ? QString()
                                          : ": " + QString::fromStdString(state.detail)),
                kGaveUpShown);
            break;
    }
}

void LinkBanner::set(const QString& text, bool reconnecting) {
    if (text == text_ && reconnecting == reconnecting_) {
        return;
    }
    text_ = text;
    reconnecting_ = reconnecting;
    emit changed();
}

}  // namespace pd::gui
