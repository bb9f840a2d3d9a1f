// Whole-process measurements of pocketdesk-gui's window, offscreen (run by bench/gui_bench.sh):
//   gui_bench baseline          a Material window with one label: exits at its first frame
//   gui_bench startup           the application: exits at the first frame of the server list
//   gui_bench listing PC N      connects to PC (HOST:PORT:HTTPPORT, a peer that accepts at
//                               once), opens D: and then Big, waits until its N rows are listed,
//                               and prints the resident memory before and after, in KiB

#include "GuiApp.h"
#include "GuiWindow.h"
#include "UiDriver.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

#include <fstream>
#include <iostream>
#include <string>

namespace {

// VmRSS or VmHWM of this process, in KiB.
long statusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

// Runs the event loop until the window has shown a frame in which `ready` holds.
void untilFrame(QQuickWindow& window, const std::function<bool()>& ready) {
    bool done = false;
    QObject::connect(&window, &QQuickWindow::frameSwapped, [&] { done = done || ready(); });
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

int baseline() {
    QQmlApplicationEngine engine;
    engine.loadData(
        "import QtQuick\nimport QtQuick.Controls\n"
        "ApplicationWindow { width: 390; height: 844; visible: true\n"
        "  header: ToolBar { Label { text: \"Pocketdesk\" } }\n"
        "  ListView { anchors.fill: parent; model: 3; delegate: ItemDelegate { text: index } } }");
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().value(0));
    if (window == nullptr) {
        return 1;
    }
    untilFrame(*window, [] { return true; });
    return 0;
}

int application(const std::string& pc, int entries, const std::string& home) {
    pd::gui::GuiOptions options;
    options.home = home;
    options.pc = pc;
    // The benchmark never searches the network: the search port is one nobody answers on.
    options.interfaceName = "lo";
    options.discoveryPort = 9;
    options.verbose = qEnvironmentVariableIsSet("GUI_BENCH_VERBOSE");
    pd::gui::GuiApp app(options);
    std::string error;
    if (!app.start(error)) {
        std::cerr << error << "\n";
        return 1;
    }
    QQmlApplicationEngine engine;
    QQuickWindow* window = pd::gui::loadWindow(engine, app);
    if (window == nullptr) {
        return 1;
    }
    pd::gui::UiDriver ui(*window);
    if (pc.empty()) {
        untilFrame(*window, [&] { return ui.find("searchButton") != nullptr; });
        return 0;
    }
    ui.waitFor("diskRow_0");
    const long before = statusKiB("VmRSS");
    ui.click(ui.waitForText("D:"));
    ui.click(ui.waitForText("Big", std::chrono::seconds(60)));
    QQuickItem* list = ui.waitFor("folderList");
    const bool listed =
        list != nullptr && ui.waitUntil([&] { return list->property("count").toInt() == entries; },
                                        std::chrono::seconds(120));
    // Scroll to the end and back, as a user flicking through it would.
    QMetaObject::invokeMethod(list, "positionViewAtEnd");
    ui.waitUntil([] { return false; }, std::chrono::milliseconds(200));
    QMetaObject::invokeMethod(list, "positionViewAtBeginning");
    ui.waitUntil([] { return false; }, std::chrono::milliseconds(200));
    std::cout << "listed " << (listed ? "yes" : "no") << " rss_before_kib " << before
              << " rss_after_kib " << statusKiB("VmRSS") << " peak_kib " << statusKiB("VmHWM")
              << "\n";
    return listed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication qtApp(argc, argv);
    pd::gui::useApplicationStyle();
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string home =
        qEnvironmentVariable("GUI_BENCH_HOME", "/tmp/gui-bench-home").toStdString();
    int status = 2;
    if (mode == "baseline") {
        status = baseline();
    } else if (mode == "startup") {
        status = application("", 0, home);
    } else if (mode == "listing" && argc == 4) {
        status = application(argv[2], std::stoi(argv[3]), home);
    } else {
        std::cerr << "usage: gui_bench baseline | startup | listing HOST:PORT:HTTPPORT N\n";
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
