#include "GuiWindow.h"

#include "GuiApp.h"

#include <QQmlContext>
#include <QQuickStyle>
#include <QQuickWindow>

namespace pd::gui {

void useApplicationStyle() {
    QQuickStyle::setStyle("Material");
}

QQuickWindow* loadWindow(QQmlApplicationEngine& engine, GuiApp& app) {
    engine.rootContext()->setContextProperty("app", &app);
    engine.load(QUrl("qrc:/qml/Main.qml"));
    if (engine.rootObjects().isEmpty()) {
        return nullptr;
    }
    return qobject_cast<QQuickWindow*>(engine.rootObjects().first());
}

}  // namespace pd::gui
