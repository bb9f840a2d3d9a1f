#pragma once
// Drives a window as a user does: finds items by object name, clicks and types into them, and
// waits (running Qt's event loop, which also runs the application's main queue) until what the
// user would wait for is on screen. Used by the GUI tests and the screenshot renderer.

#include <QQuickItem>
#include <QQuickWindow>
#include <QString>

#include <QPointF>

#include <chrono>
#include <functional>
#include <map>

namespace pd::gui {

class UiDriver {
  public:
    explicit UiDriver(QQuickWindow& window) : window_(window) {}

    // The first visible item with this object name (depth first), or null.
    QQuickItem* find(const QString& objectName) const;
    // Waits until such an item is visible; null after `limit`.
    QQuickItem* waitFor(const QString& objectName,
                        std::chrono::milliseconds limit = std::chrono::seconds(20)) const;
    // The first visible item whose "text" property is `text`, or null.
    QQuickItem* findText(const QString& text) const;
    QQuickItem* waitForText(const QString& text,
                            std::chrono::milliseconds limit = std::chrono::seconds(20)) const;
    // Runs the event loop until `done` holds; false after `limit`.
    bool waitUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds limit = std::chrono::seconds(20)) const;

    // Waits until no screen transition runs (items move while one does).
    void settle() const;
    // A tap in the middle of the item.
    void click(QQuickItem* item) const;
    // A tap at a point of the item, in its own coordinates.
    void clickAt(QQuickItem* item, QPointF at) const;
    // Waits for the item, then taps it; false when it never appeared.
    bool click(const QString& objectName) const;
    // A finger dragged from the middle of the item by (dx, dy), in small steps.
    void swipe(QQuickItem* item, qreal dx, qreal dy = 0) const;
    // Swipes `area` (a clipped, scrolling list) by (dx, dy) until the item named `objectName` is
    // made and its middle shows inside `area`, then waits for the list to come to rest. A list
    // makes delegates beyond its clipped edge too, where a tap would land on what lies behind.
    // The item, or null after `swipes` swipes.
    QQuickItem* scrollTo(QQuickItem* area, const QString& objectName, qreal dx, qreal dy,
                         int swipes = 10) const;
    void type(const QString& text) const;
    // Renders the window to a PNG file.
    bool screenshot(const QString& path) const;

    QQuickWindow& window() const { return window_; }

  private:
    QQuickWindow& window_;
};

// Fingers on a touch screen, each pressed, moved and lifted at a point of an item (in the
// item's own coordinates, turned or not). Every event also carries the fingers that stay down,
// as a touch screen reports them.
class Fingers {
  public:
    explicit Fingers(QQuickWindow& window) : window_(window) {}
    void press(int finger, QQuickItem* item, QPointF at);
    void move(int finger, QQuickItem* item, QPointF at);
    void release(int finger);

  private:
    enum class Change { Press, Move, Release };
    void send(int finger, Change change, QPoint scene);

    QQuickWindow& window_;
    std::map<int, QPoint> down_;  // the fingers on the screen, where they are
};

// Counts the visible items whose object name starts with `prefix` (delegates made by a list).
int countItems(QQuickItem* root, const QString& prefix);

}  // namespace pd::gui
