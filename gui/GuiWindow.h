#pragma once
// Loads the application's window (qml/Main.qml) for a GuiApp: the program, its tests and the
// screenshot renderer all show the same window.

#include <QQmlApplicationEngine>

class QQuickWindow;

namespace pd::gui {

class GuiApp;

// Sets the Material style; call before the first engine is made.
void useApplicationStyle();
// Loads the window into `engine`; null when it could not be loaded (the errors are logged).
QQuickWindow* loadWindow(QQmlApplicationEngine& engine, GuiApp& app);

}  // namespace pd::gui
