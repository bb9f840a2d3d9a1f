#include "UiDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QRectF>
#include <QTest>

namespace pd::gui {

namespace {

bool shown(const QQuickItem* item) {
    return item->isVisible() && item->opacity() > 0;
}

QQuickItem* search(QQuickItem* item, const std::function<bool(QQuickItem*)>& match) {
    if (!shown(item)) {
        return nullptr;
    }
    if (match(item)) {
        return item;
    }
    for (QQuickItem* child : item->childItems()) {
        if (QQuickItem* found = search(child, match)) {
            return found;
        }
    }
    return nullptr;
}

bool transitionRunning(QQuickItem* item) {
    if (item->inherits("QQuickStackView") && item->property("busy").toBool()) {
        return true;
    }
    for (QQuickItem* child : item->childItems()) {
        if (transitionRunning(child)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void UiDriver::settle() const {
    waitUntil([&] { return !transitionRunning(window_.contentItem()); });
}

QQuickItem* UiDriver::find(const QString& objectName) const {
    return search(window_.contentItem(),
                  [&](QQuickItem* item) { return item->objectName() == objectName; });
}

QQuickItem* UiDriver::findText(const QString& text) const {
    return search(window_.contentItem(), [&](QQuickItem* item) {
        const QVariant value = item->property("text");
        return value.isValid() && value.toString() == text;
    });
}

bool UiDriver::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) const {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(10);
    }
    return true;
}

QQuickItem* UiDriver::waitFor(const QString& objectName, std::chrono::milliseconds limit) const {
    settle();
    QQuickItem* found = nullptr;
    waitUntil([&] { return (found = find(objectName)) != nullptr; }, limit);
    return found;
}

QQuickItem* UiDriver::waitForText(const QString& text, std::chrono::milliseconds limit) const {
    settle();
    QQuickItem* found = nullptr;
    waitUntil([&] { return (found = findText(text)) != nullptr; }, limit);
    return found;
}

void UiDriver::click(QQuickItem* item) const {
    if (item == nullptr) {
        return;
    }
    settle();
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(&window_, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

void UiDriver::clickAt(QQuickItem* item, QPointF at) const {
    if (item == nullptr) {
        return;
    }
    settle();
    QTest::mouseClick(&window_, Qt::LeftButton, Qt::NoModifier, item->mapToScene(at).toPoint());
}

bool UiDriver::click(const QString& objectName) const {
    QQuickItem* item = waitFor(objectName);
    if (item == nullptr) {
        return false;
    }
    // Let a transition that just showed it come to rest before tapping.
    waitUntil([] { return false; }, std::chrono::milliseconds(300));
    item = waitFor(objectName);
    if (item == nullptr) {
        return false;
    }
    click(item);
    return true;
}

void UiDriver::swipe(QQuickItem* item, qreal dx, qreal dy) const {
    if (item == nullptr) {
        return;
    }
    settle();
    const QPointF start = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    constexpr int kSteps = 12;
    QTest::mousePress(&window_, Qt::LeftButton, Qt::NoModifier, start.toPoint());
    for (int i = 1; i <= kSteps; ++i) {
        const QPointF at = start + QPointF(dx * i / kSteps, dy * i / kSteps);
        QTest::mouseMove(&window_, at.toPoint(), 16);
    }
    QTest::mouseRelease(&window_, Qt::LeftButton, Qt::NoModifier,
                        (start + QPointF(dx, dy)).toPoint(), 16);
    settle();
}

QQuickItem* UiDriver::scrollTo(QQuickItem* area, const QString& objectName, qreal dx, qreal dy,
                               int swipes) const {
    if (area == nullptr) {
        return nullptr;
    }
    const auto movingIn = [](QQuickItem* item) {
        for (; item != nullptr; item = item->parentItem()) {
            if (item->property("moving").toBool()) {
                return true;
            }
        }
        return false;
    };
    const auto shownWithin = [&](QQuickItem* item) {
        const QPointF middle =
            item->mapToItem(area, QPointF(item->width() / 2, item->height() / 2));
        return QRectF(0, 0, area->width(), area->height()).contains(middle);
    };
    for (int i = 0;; ++i) {
        QQuickItem* item = find(objectName);
        if (item != nullptr) {
            waitUntil([&] { return !movingIn(item); });
            if (shownWithin(item)) {
                return item;
            }
        }
        if (i == swipes) {
            return nullptr;
        }
        swipe(area, dx, dy);
    }
}

void UiDriver::type(const QString& text) const {
    for (const QChar c : text) {
        QTest::keyClick(&window_, c.toLatin1());
    }
}

bool UiDriver::screenshot(const QString& path) const {
    return window_.grabWindow().save(path);
}

void Fingers::press(int finger, QQuickItem* item, QPointF at) {
    send(finger, Change::Press, item->mapToScene(at).toPoint());
}

void Fingers::move(int finger, QQuickItem* item, QPointF at) {
    send(finger, Change::Move, item->mapToScene(at).toPoint());
}

void Fingers::release(int finger) {
    auto it = down_.find(finger);
    if (it != down_.end()) {
        send(finger, Change::Release, it->second);
    }
}

void Fingers::send(int finger, Change change, QPoint scene) {
    static QPointingDevice* const screen = QTest::createTouchDevice();
    QTest::QTouchEventSequence event = QTest::touchEvent(&window_, screen, false);
    for (const auto& [other, at] : down_) {
        if (other != finger) {
            event.move(other, at, &window_);  // in place: stationary
        }
    }
    switch (change) {
        case Change::Press:
            event.press(finger, scene, &window_);
            down_[finger] = scene;
            break;
        case Change::Move:
            event.move(finger, scene, &window_);
            down_[finger] = scene;
            break;
        case Change::Release:
            event.release(finger, scene, &window_);
            down_.erase(finger);
            break;
    }
    event.commit();
}

int countItems(QQuickItem* root, const QString& prefix) {
    if (root == nullptr || !shown(root)) {
        return 0;
    }
    int n = root->objectName().startsWith(prefix) ? 1 : 0;
    for (QQuickItem* child : root->childItems()) {
        n += countItems(child, prefix);
    }
    return n;
}

}  // namespace pd::gui
