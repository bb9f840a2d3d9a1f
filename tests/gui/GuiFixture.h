#pragma once
// The Qt Quick front-end against a real peer: starts the application and its window as
// `pocketdesk-gui` would, and drives it as a user does, by finding what is on screen and
// tapping it.

#include "ExternalLinks.h"
#include "GuiApp.h"
#include "GuiWindow.h"
#include "PreviewAdapter.h"
#include "UiDriver.h"
#include "integration/PeerFixture.h"

#include "app/MainLoop.h"

#include <QQmlApplicationEngine>

#include <memory>
#include <string>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace pd::gui {

class GuiAgainstPeer : public test::PeerFixture {
  protected:
    void SetUp() override {
        PreviewAdapter::setOpener([](const QString&) {});
        // Addresses the user opens are recorded, never handed to a browser.
        setLinkOpener([this](const QString& url) { openedLinks << url; });
    }
    void TearDown() override {
        closeWindow();
        setLinkOpener({});
        PeerFixture::TearDown();
    }

    // Starts the application and its window, as `pocketdesk-gui` with these options would.
    void open(GuiOptions options) {
        options.home = (home() / "phone").string();
        app = std::make_unique<GuiApp>(options);
        std::string error;
        ASSERT_TRUE(app->start(error)) << error;
        engine = std::make_unique<QQmlApplicationEngine>();
        QQuickWindow* window = loadWindow(*engine, *app);
        ASSERT_NE(window, nullptr);
        ui = std::make_unique<UiDriver>(*window);
    }
    void closeWindow() {
        if (app) {
            app->shutdown();
        }
        ui.reset();
        engine.reset();
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::string address() const {
        return "127.0.0.1:" + std::to_string(peerProcess->controlPort()) + ":" +
               std::to_string(peerProcess->httpPort());
    }
    QString textOf(const QString& objectName) const {
        QQuickItem* item = ui->waitFor(objectName);
        return item ? item->property("text").toString() : QString();
    }
    // Taps the visible item showing `text`.
    bool tapText(const QString& text) const {
        QQuickItem* item = ui->waitForText(text);
        ui->click(item);
        return item != nullptr;
    }

    std::unique_ptr<GuiApp> app;
    std::unique_ptr<QQmlApplicationEngine> engine;
    std::unique_ptr<UiDriver> ui;
    QStringList openedLinks;
};

}  // namespace pd::gui
