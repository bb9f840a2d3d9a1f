#include "GuiApp.h"

#include "ExternalLinks.h"

#include "app/ComputerAddress.h"
#include "app/MainLoop.h"
#include "app/MainTabBarViewController.h"
#include "app/MicrophoneInputs.h"
#include "controllers/FileDownViewController.h"
#include "controllers/ServerViewController.h"

#include <QGuiApplication>

#include <filesystem>
#include <random>

namespace pd::gui {

// The application object's side of the window: which top-level screen is in front.
class GuiApp::Screens : public AppView {
  public:
    explicit Screens(GuiApp& app) : app_(app) {}

    std::shared_ptr<ServerView> presentServerList(
        const std::shared_ptr<ServerViewController>& screen) override {
        app_.serverList_->setController(screen);
        app_.showPage("servers");
        return app_.serverList_;
    }
    std::shared_ptr<MainTabBarView> presentMainTabs(
        const std::shared_ptr<MainTabBarViewController>& screen) override {
        // Before the tabs make the panel, which opens the microphone through it.
        if (!app_.options_.micWav.empty()) {
            screen->setMicrophone(microphoneFile(app_.options_.micWav));
        } else if (!app_.options_.micDevice.empty()) {
            screen->setMicrophone(microphoneDevice(app_.options_.micDevice));
        }
        app_.tabs_ = makeAdapter(new TabsAdapter(
            app_.overlay_, screen, [this] { return app_.delegate_->browserServices(); }));
        QObject::connect(app_.tabs_.get(), &TabsAdapter::moreRequested, &app_,
                         [this] { app_.delegate_->showMore(); });
        app_.showPage("tabs");
        return app_.tabs_;
    }
    void showServerList() override {
        // The screens above the list close with the tabs.
        app_.closeMore();
        app_.tabs_.reset();
        app_.showPage("servers");
    }
    std::shared_ptr<MoreView> presentMore(
        const std::shared_ptr<MoreTableViewController>& screen) override {
        app_.closeMore();
        app_.more_ = makeAdapter(new MoreAdapter(app_.overlay_, screen));
        QObject::connect(app_.more_.get(), &MoreAdapter::closed, &app_,
                         [this] { app_.closeMore(); });
        emit app_.moreChanged();
        return app_.more_;
    }
    void showLinkRecovery(const LinkRecoveryState& state) override { app_.banner_.show(state); }

  private:
    GuiApp& app_;
};

namespace {

std::string randomCode() {
    std::random_device rd;
    std::uniform_int_distribution<int> digit(0, 9);
    std::string code;
    for (int i = 0; i < 6; ++i) {
        code.push_back(static_cast<char>('0' + digit(rd)));
    }
    return code;
}

}  // namespace

GuiApp::GuiApp(GuiOptions options)
    : options_(std::move(options)),
      serverList_(makeAdapter(new ServerListAdapter(overlay_))),
      screens_(std::make_shared<Screens>(*this)) {
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &GuiApp::stateChanged);
}

GuiApp::~GuiApp() {
    more_.reset();
    delegate_.reset();
    if (demoPeer_) {
        demoPeer_->stop();
    }
}

bool GuiApp::start(std::string& error) {
    AppConfig config;
    config.home = options_.home;
    config.verbose = options_.verbose;
    config.interfaceName = options_.interfaceName;
    config.photosDir = options_.photos;
    config.discoveryPort = static_cast<std::uint16_t>(options_.discoveryPort);
    if (options_.demo) {
        demoDir_.emplace();
        const std::string work = demoDir_->path().toStdString();
        std::error_code ec;
        std::filesystem::create_directories(work + "/computer-disk", ec);
        options_.code = randomCode();
        const int discoveryPort = peer::freeUdpPort();
        auto started = peer::PeerLauncher::start(
            peer::findPeerProgram(POCKETDESK_GUI_PEER_PATH),
            {"--root", work + "/computer-disk", "--sample-disk", "--code", options_.code, "--name",
             "DEMO-PC", "--tag", "D3M0", "--discovery-port", std::to_string(discoveryPort)},
            std::chrono::seconds(10), !options_.verbose);
        if (!started) {
            error = "cannot start pocketdesk-peer for the demo";
            return false;
        }
        demoPeer_ = std::make_unique<peer::PeerLauncher>(std::move(*started));
        // The demo never touches the user's own data, and searches only the loopback network.
        if (config.home.empty()) {
            config.home = work + "/phone-home";
        }
        config.interfaceName = "lo";
        config.discoveryPort = static_cast<std::uint16_t>(discoveryPort);
        options_.pc = "127.0.0.1:" + std::to_string(demoPeer_->controlPort()) + ":" +
                      std::to_string(demoPeer_->httpPort());
        demoNote_ = QString(
                        "Demo: a computer-side peer on 127.0.0.1 plays the computer "
                        "(check code %1).")
                        .arg(QString::fromStdString(options_.code));
    }
    // A computer given by address is connected at once, without a search first.
    const bool byAddress = app::parseAddressTarget(options_.pc).has_value();
    config.searchOnLaunch = !byAddress;
    delegate_ = std::make_unique<AppDelegate>(screens_, config);
    delegate_->didFinishLaunchingWithOptions();
    state_ = QGuiApplication::applicationState();
    if (!options_.pc.empty()) {
        if (byAddress) {
            connectTo(options_.pc);
        } else {
            // The name is looked up in what the launch's search finds.
            waitingForSearch_ = true;
            connect(serverList_.get(), &ServerListAdapter::searchEnded, this, [this] {
                if (waitingForSearch_) {
                    waitingForSearch_ = false;
                    connectTo(options_.pc);
                }
            });
        }
    }
    return true;
}

void GuiApp::connectTo(const std::string& computer) {
    ServerViewController& list = delegate_->serverList();
    std::optional<std::size_t> row;
    if (auto address = app::parseAddressTarget(computer)) {
        row = list.addServer(*address);
    } else {
        row = app::rowForComputer(list.serverListArr(), computer);
    }
    if (!row) {
        overlay_.showTip("no such computer", std::chrono::seconds(2));
        return;
    }
    if (!options_.code.empty()) {
        list.CommondAuthCore(*row, options_.code, true);
    } else {
        list.didSelectRow(*row);
    }
}

void GuiApp::shutdown() {
    if (!delegate_) {
        return;
    }
    // Pause what runs, through the download list as a user would; the partial files stay and
    // the next download of the same file resumes them.
    auto downloads = std::make_shared<FileDownViewController>(std::weak_ptr<DownloadListView>(),
                                                              delegate_->browserServices());
    downloads->viewDidLoad();
    for (std::size_t i = 0; i < downloads->taskListObjArr().size(); ++i) {
        if (downloads->taskListObjArr()[i].bnStatus == FileDownListData::kStatusRunning) {
            downloads->downControlAction(i);
        }
    }
    app::pollMainQueue();
    delegate_->applicationDidEnterBackground();
}

QString GuiApp::text(const QString& key) const {
    return displayText(key.toStdString());
}

void GuiApp::openLink(const QString& url) const {
    openExternalLink(url);
}

AppView& GuiApp::appView() const {
    return *screens_;
}

void GuiApp::closeMore() {
    if (more_) {
        more_.reset();
        emit moreChanged();
    }
}

void GuiApp::stateChanged(Qt::ApplicationState state) {
    if (!delegate_ || state == state_) {
        return;
    }
    const bool wasActive = state_ == Qt::ApplicationActive;
    state_ = state;
    if (state == Qt::ApplicationActive) {
        delegate_->applicationDidBecomeActive();
    } else if (wasActive) {
        delegate_->applicationDidEnterBackground();
    }
}

void GuiApp::showPage(const QString& page) {
    page_ = page;
    emit pageChanged();
}

}  // namespace pd::gui
