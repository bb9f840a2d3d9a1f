// Renders every screen of pocketdesk-gui to PNG files (offscreen), walking through the
// application against a peer on 127.0.0.1 as a user would: introduction, server list,
// check code, drives, folder, row actions, photo viewer, preview, class, download list, the
// backup tab (shake, a running backup, its end, the photo grid) and the remote-control tab
// (computer and music sections, capture viewer, capture history, hotspot list, gamepad keys,
// the pad, the microphone streaming a sound file), then More, About, feedback, the settings page
// and the banner shown while a dropped link is restored.
//
//   pocketdesk-screenshots OUTPUT_DIR

#include "ExternalLinks.h"
#include "GuiApp.h"
#include "GuiWindow.h"
#include "PreviewAdapter.h"
#include "RemoteControlAdapter.h"
#include "UiDriver.h"

#include "NetWork/DownloadPaths.h"
#include "PeerLauncher.h"
#include "core/Settings.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

// A real picture for the photo viewer, the preview and the phone's library: a sunset whose sky
// takes the hue given.
bool writePicture(const QString& path, int hue = 15) {
    QImage image(800, 600, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 600);
    sky.setColorAt(0, QColor::fromHsv(hue % 360, 150, 255));
    sky.setColorAt(1, QColor::fromHsv((hue + 250) % 360, 180, 180));
    p.fillRect(image.rect(), sky);
    p.setBrush(QColor("#FFEB3B"));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(200 + hue % 400, 380), 120, 120);
    p.fillRect(0, 420, 800, 180, QColor("#263238"));
    p.end();
    return image.save(path);
}

// A voice-like sound for the microphone: a tone whose loudness rises and falls, as 8 kHz mono
// 16-bit PCM in a WAV file.
bool writeVoice(const QString& path, int seconds) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const quint32 samples = 8000u * static_cast<quint32>(seconds);
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(16000) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (quint32 i = 0; i < samples; ++i) {
        const double t = i / 8000.0;
        const double loudness = 0.6 + 0.4 * std::sin(2 * M_PI * 0.7 * t);
        out << qint16(14000 * loudness * std::sin(2 * M_PI * 220 * t));
    }
    return out.status() == QDataStream::Ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: pocketdesk-screenshots OUTPUT_DIR\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication qtApp(argc, argv);
    pd::gui::useApplicationStyle();
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    QTemporaryDir work;
    const std::string root = work.path().toStdString() + "/computer";
    std::filesystem::create_directories(root);
    const int discoveryPort = pd::peer::freeUdpPort();
    auto peer = pd::peer::PeerLauncher::start(
        pd::peer::findPeerProgram(POCKETDESK_GUI_PEER_PATH),
        {"--root", root, "--sample-disk", "--code", "482913", "--name", "STUDY-PC", "--tag",
         "S7UDY", "--discovery-port", std::to_string(discoveryPort), "--http-rate", "400000"},
        std::chrono::seconds(10), true);
    if (!peer) {
        std::cerr << "cannot start pocketdesk-peer\n";
        return 1;
    }
    std::filesystem::create_directories(root + "/D/Pictures");
    writePicture(QString::fromStdString(root + "/D/Pictures/sunset.png"));
    const std::string photos = work.path().toStdString() + "/phone-photos";
    std::filesystem::create_directories(photos);
    const QString voice = work.path() + "/voice.wav";
    writeVoice(voice, 30);
    for (int n = 0; n < 12; ++n) {
        writePicture(QString::fromStdString(photos + "/IMG_" + std::to_string(2001 + n) + ".JPG"),
                     n * 29);
    }

    // Documents that are not pictures would open in the desktop's application: not here.
    pd::gui::PreviewAdapter::setOpener([](const QString&) {});
    pd::gui::setLinkOpener({});
    int status = 0;
    {
        pd::gui::GuiOptions options;
        options.home = work.path().toStdString() + "/phone";
        options.interfaceName = "lo";
        options.discoveryPort = discoveryPort;
        options.photos = photos;
        options.micWav = voice.toStdString();
        pd::gui::GuiApp app(options);
        std::string error;
        app.start(error);
        QQmlApplicationEngine engine;
        QQuickWindow* window = pd::gui::loadWindow(engine, app);
        if (window == nullptr) {
            return 1;
        }
        pd::gui::UiDriver ui(*window);
        int failures = 0;
        auto shot = [&](const char* name, bool ready) {
            ui.waitUntil([] { return false; }, std::chrono::milliseconds(400));
            if (!ready || !ui.screenshot(out + "/" + name + ".png")) {
                std::cerr << "screen not reached: " << name << "\n";
                ++failures;
            }
        };
        shot("01-introduction", ui.waitFor("introNext") != nullptr);
        for (int i = 0; i < 4; ++i) {
            ui.click("introNext");
        }
        shot("02-server-list", ui.waitFor("serverRow_0") != nullptr);
        ui.click("serverRow_0");
        shot("03-check-code", ui.waitFor("codeField_0") != nullptr);
        ui.click("codeField_0");
        ui.type("482913");
        shot("04-drives", ui.waitFor("diskRow_2") != nullptr);
        ui.click(ui.waitForText("D:"));
        shot("05-folder", ui.waitForText("Music") != nullptr);
        ui.click(ui.waitForText("Pictures"));
        ui.click(ui.waitForText("sunset.png"));
        shot("06-photo-viewer", ui.waitFor("closePhotos") != nullptr);
        ui.click("closePhotos");
        ui.click("backButton");
        ui.click(ui.waitForText("Music"));
        ui.click(ui.waitForText("song.mp3"));
        shot("07-preview", ui.waitFor("previewProgress") != nullptr);
        ui.click("previewBack");
        ui.click("rowMenu_1");
        shot("08-row-actions", ui.waitFor("action_0") != nullptr);
        ui.click("action_0");
        shot("09-download-queued", ui.waitFor("tipText") != nullptr);
        ui.click("backButton");
        ui.click("backButton");
        ui.click("downloadsButton");
        shot("10-downloads-running", ui.waitFor("runningRow_0") != nullptr);
        // A finished download leaves the running tab at the next refresh.
        ui.waitUntil([&] { return pd::gui::countItems(window->contentItem(), "runningRow_") == 0; },
                     std::chrono::seconds(30));
        ui.click("menu_0");
        shot("11-downloads-finished",
             ui.waitFor("finishedRow_0_0", std::chrono::seconds(30)) != nullptr);
        ui.click("downloadsBack");
        ui.click("menu_2");
        shot("12-class-empty", ui.waitFor("emptyCaption") != nullptr);
        ui.click("tab_2");
        shot("13-remote-tab", true);

        ui.click("tab_1");
        shot("14-backup-shake", ui.waitFor("shakeButton") != nullptr);
        ui.click("shakeButton");
        // Held mid-batch: the computer is paused while the ring is drawn.
        QQuickItem* ring = ui.waitFor("progressRing");
        const bool running =
            ring != nullptr && ui.waitUntil([&] { return ring->property("done").toInt() >= 3; });
        ::kill(peer->pid(), SIGSTOP);
        shot("15-backup-running", running);
        ::kill(peer->pid(), SIGCONT);
        const QString finished = pd::gui::displayText("backup has successfully");
        shot("16-backup-finished", ui.waitForText(finished, std::chrono::seconds(30)) != nullptr);
        ui.click("pickTab");
        const bool grid = ui.waitFor("photoCell_5") != nullptr;
        for (const char* cell : {"photoCell_0", "photoCell_2", "photoCell_5"}) {
            ui.click(cell);
        }
        shot("17-photo-grid", grid);
        ui.click("browserDone");
        ui.waitForText(finished, std::chrono::seconds(30));

        ui.click("tab_2");
        ui.click("muteButton");
        ui.click("fullVolumeButton");
        shot("18-remote-computer", ui.waitFor("shutdownTile") != nullptr);
        ui.click("menu_1");
        ui.click("pad_centre");
        shot("19-remote-music", ui.waitForText(pd::gui::displayText("pause")) != nullptr);
        ui.click("menu_0");
        ui.click("captureTile");
        QQuickItem* capture = ui.waitFor("captureImage_0");
        const bool shown = capture != nullptr && ui.waitUntil([&] {
            return capture->property("status").toInt() == 1;  // Image.Ready
        });
        shot("20-capture-viewer", shown);
        // Two earlier captures beside the new one, so the history has some length.
        auto* remote = app.tabsAdapter()->remoteScreen();
        ui.waitUntil([&] { return remote->lastCapture().has_value(); });
        if (remote->lastCapture() && !remote->lastCapture()->empty()) {
            const std::filesystem::path taken = *remote->lastCapture();
            std::error_code ec;
            for (const char* older : {"20240311093012.jpg", "20240102184500.jpg"}) {
                std::filesystem::copy_file(taken, taken.parent_path() / older, ec);
            }
        }
        ui.click("viewAllButton");
        shot("21-capture-history", ui.waitFor("historyRow_2") != nullptr);
        ui.click("historyBack");
        ui.click("hotspotButton");
        shot("22-hotspot-list", ui.waitFor("hotspotRow_2") != nullptr);
        ui.click("hotspotBack");

        ui.click("menu_3");
        ui.click("pad_left");
        ui.click("gameKey_4");
        shot("23-gamepad-keys", ui.waitFor("keyChoice_3") != nullptr);
        ui.click("keyChoice_3");
        ui.click("gameSettingsBack");
        ui.click("pad_centre");
        // Right held on the direction pad while X is pressed.
        QQuickItem* direction = ui.waitFor("directionPad");
        QQuickItem* x = ui.waitFor("padButton_7");
        pd::gui::Fingers fingers(*window);
        if (direction != nullptr && x != nullptr) {
            fingers.press(0, direction,
                          QPointF(direction->width() / 2, direction->height() * 5 / 6));
            fingers.press(1, x, QPointF(x->width() / 2, x->height() / 2));
        }
        shot("24-gamepad", direction != nullptr && x != nullptr);
        fingers.release(1);
        fingers.release(0);
        ui.click("padButton_104");
        ui.click("menu_4");
        ui.click("micButton");
        shot("25-microphone", ui.waitUntil([&] { return remote->micLevel() > 0; }));
        ui.click("micButton");

        // More, from the panel's bar, with a few megabytes of previews in the cache.
        {
            std::filesystem::create_directories(pd::previewCacheFolder());
            std::ofstream(pd::previewCacheFolder() + "/holiday.mov") << std::string(3400000, 'x');
        }
        ui.click("moreButton");
        shot("26-more", ui.waitForText("3 MB") != nullptr);
        ui.click("moreRow_4");
        shot("27-about", ui.waitFor("aboutRow_3") != nullptr);
        ui.click("aboutBack");
        // A feedback address on this machine; nothing is sent here.
        pd::Settings::standard().setFeedbackUrl("http://127.0.0.1:8080/Client/FeedBack.ashx");
        ui.click("moreRow_5");
        if (QQuickItem* comment = ui.waitFor("feedbackComment")) {
            comment->setProperty("text",
                                 "Browsing the D: drive feels quick. Could the download "
                                 "list show how long is left?");
        }
        if (QQuickItem* contact = ui.waitFor("feedbackContact")) {
            contact->setProperty("text", "sam@example.org");
        }
        shot("28-feedback", ui.waitFor("sendFeedback") != nullptr);
        ui.click("feedbackBack");
        ui.click("settingsRow");
        if (QQuickItem* field = ui.waitFor("settingField_1")) {
            field->setProperty("text", "report.example:99999");
            ui.click("settingSave_1");
        }
        shot("29-settings", ui.waitFor("settingProblem_1") != nullptr);
        ui.click("settingsBack");
        ui.click("moreBack");

        // The link dropped: the panel stays under the banner while it is restored.
        ui.click("menu_0");
        app.appView().showLinkRecovery(
            {pd::LinkRecoveryState::Phase::Reconnecting, 2, "STUDY-PC", ""});
        shot("30-reconnecting", ui.waitFor("linkBanner") != nullptr);
        app.appView().showLinkRecovery({pd::LinkRecoveryState::Phase::Restored, 2, "STUDY-PC", ""});
        status = failures == 0 ? 0 : 1;
    }
    peer->stop();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
