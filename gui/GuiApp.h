#pragma once
// The application in a Qt Quick window: it drives the main queue from Qt's event loop, creates
// the application object with this front-end's screens, forwards Qt's application state, and
// connects to the computer given on the command line (or to the demo's own peer) as a user
// tapping it would.

#include "GuiOptions.h"
#include "LinkBanner.h"
#include "MainQueuePump.h"
#include "MoreAdapter.h"
#include "Overlay.h"
#include "ServerListAdapter.h"
#include "TabsAdapter.h"

#include "PeerLauncher.h"
#include "app/AppDelegate.h"

#include <QObject>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace pd::gui {

class GuiApp : public QObject {
    Q_OBJECT
    // "servers" or "tabs": the top-level screen in front.
    Q_PROPERTY(QString page READ page NOTIFY pageChanged)
    Q_PROPERTY(QObject* servers READ servers CONSTANT)
    Q_PROPERTY(QObject* tabs READ tabs NOTIFY pageChanged)
    Q_PROPERTY(QObject* overlay READ overlay CONSTANT)
    // The More screen over the page while it is shown, else null.
    Q_PROPERTY(QObject* more READ more NOTIFY moreChanged)
    Q_PROPERTY(QObject* linkBanner READ linkBanner CONSTANT)
    Q_PROPERTY(QString demoNote READ demoNote CONSTANT)

  public:
    explicit GuiApp(GuiOptions options);
    ~GuiApp() override;
    GuiApp(const GuiApp&) = delete;
    GuiApp& operator=(const GuiApp&) = delete;

    // Starts the demo's peer if asked, launches the application and, given a computer,
    // connects to it. False (with `error`) when the demo's peer cannot start.
    bool start(std::string& error);
    // The window is closing: running downloads pause (their partial files stay for the next
    // run) and the application enters the background.
    void shutdown();

    // The display text of a localisation key.
    Q_INVOKABLE QString text(const QString& key) const;
    Q_INVOKABLE void openLink(const QString& url) const;

    QString page() const { return page_; }
    QObject* servers() const { return serverList_.get(); }
    QObject* tabs() const { return tabs_.get(); }
    QObject* overlay() { return &overlay_; }
    QObject* more() const { return more_.get(); }
    QObject* linkBanner() { return &banner_; }
    MoreAdapter* moreScreen() const { return more_.get(); }
    LinkBanner& banner() { return banner_; }
    // The application's side of the window, as the application object drives it.
    AppView& appView() const;
    QString demoNote() const { return demoNote_; }

    ServerListAdapter& serverList() const { return *serverList_; }
    TabsAdapter* tabsAdapter() const { return tabs_.get(); }
    AppDelegate& delegate() { return *delegate_; }

  signals:
    void pageChanged();
    void moreChanged();

  private:
    class Screens;
    void stateChanged(Qt::ApplicationState state);
    void connectTo(const std::string& computer);
    void showPage(const QString& page);
    void closeMore();

    GuiOptions options_;
    MainQueuePump pump_;
    Overlay overlay_;
    LinkBanner banner_{overlay_};
    std::shared_ptr<ServerListAdapter> serverList_;
    std::shared_ptr<TabsAdapter> tabs_;
    std::shared_ptr<MoreAdapter> more_;
    std::shared_ptr<Screens> screens_;
    std::unique_ptr<AppDelegate> delegate_;
    std::optional<QTemporaryDir> demoDir_;
    std::unique_ptr<peer::PeerLauncher> demoPeer_;
    QString demoNote_;
    QString page_ = "servers";
    Qt::ApplicationState state_ = Qt::ApplicationInactive;
    bool waitingForSearch_ = false;
};

}  // namespace pd::gui
