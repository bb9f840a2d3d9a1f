// pocketdesk-gui: the phone's face, in a Qt Quick window sized like a phone.

#include "GuiApp.h"
#include "GuiOptions.h"
#include "GuiWindow.h"

#include "app/AppInfo.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>

#include <iostream>

int main(int argc, char** argv) {
    // Parsed before the window system is reached, so that --help works without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    std::string error;
    const auto options = pd::gui::parseGuiOptions(arguments, error);
    if (!options) {
        const bool help = arguments.contains("--help") || arguments.contains("-h") ||
                          arguments.contains("--version");
        (help ? std::cout : std::cerr) << error << (error.ends_with('\n') ? "" : "\n");
        return help ? 0 : 2;
    }
    QGuiApplication qtApp(argc, argv);
    QGuiApplication::setApplicationName("pocketdesk-gui");
    QGuiApplication::setApplicationVersion(QString::fromStdString(pd::app::appVersion()));
    pd::gui::useApplicationStyle();
    int status = 1;
    {
        pd::gui::GuiApp app(*options);
        if (!app.start(error)) {
            std::cerr << "pocketdesk-gui: " << error << "\n";
            return 1;
        }
        QQmlApplicationEngine engine;
        if (pd::gui::loadWindow(engine, app) != nullptr) {
            QObject::connect(&qtApp, &QGuiApplication::aboutToQuit, &app,
                             [&app] { app.shutdown(); });
            status = QGuiApplication::exec();
        }
    }
    // Adapters released last are deleted from the event loop, which has stopped.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
