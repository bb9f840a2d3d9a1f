#pragma once
// The hotspot list for Qt Quick: the devices with icon, name and speed, each row's swipe
// actions, and a banner when a new device joins.

#include "HotspotRowModel.h"
#include "OverlayScreen.h"

#include "controllers/WifiMgrView.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace pd {
class WifiMgrVC;
}

namespace pd::gui {

class HotspotAdapter : public QObject, public OverlayScreen<WifiMgrView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QObject* rows READ rows CONSTANT)
    // "New device on the hotspot: MODEL" for a few seconds, else empty.
    Q_PROPERTY(QString banner READ banner NOTIFY bannerChanged)

  public:
    HotspotAdapter(Overlay& overlay, std::shared_ptr<WifiMgrVC> controller);

    // A row's swipe actions opened (true) or closed.
    Q_INVOKABLE void swipeChanged(int row, bool open);
    Q_INVOKABLE void trigger(int row, int action);
    Q_INVOKABLE void back();

    const std::shared_ptr<WifiMgrVC>& controller() const { return controller_; }
    QString title() const { return title_; }
    QObject* rows() { return &rows_; }
    QString banner() const { return banner_; }

    // WifiMgrView
    void setTitle(const std::string& key) override;
    void reloadAll(const std::vector<WifiRow>& rows) override;
    void reloadRows(const std::vector<std::size_t>& indexes,
                    const std::vector<WifiRow>& rows) override;
    void closeSwipeActions(std::size_t row) override;
    void newDeviceJoined(const std::string& model) override;
    void closeScreen() override;

  signals:
    void changed();
    void bannerChanged();
    void swipeClosed(int row);
    void closed();

  private:
    std::shared_ptr<WifiMgrVC> controller_;
    HotspotRowModel rows_;
    QString title_;
    QString banner_;
    QTimer bannerTimer_;
};

}  // namespace pd::gui
