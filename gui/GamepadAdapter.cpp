#include "GamepadAdapter.h"

#include "controllers/GameHandleViewController.h"
#include "controllers/GameKeyMap.h"

namespace pd::gui {

GamepadAdapter::GamepadAdapter(Overlay& overlay, std::weak_ptr<GameHandleViewController> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {
    // The names are read when the screen loads, after it was presented.
    QMetaObject::invokeMethod(this, &GamepadAdapter::keysChanged, Qt::QueuedConnection);
}

template <class F>
void GamepadAdapter::withController(F&& call) {
    if (auto c = controller_.lock()) {
        call(*c);
    }
}

void GamepadAdapter::setPadSize(double width, double height) {
    size_ = {width, height};
}

void GamepadAdapter::directionPressed(double x, double y) {
    withController([&](auto& c) { c.directionTouchBegan(x, y); });
}

void GamepadAdapter::directionMoved(double x, double y) {
    withController([&](auto& c) { c.directionTouchMoved(x, y); });
}

void GamepadAdapter::directionReleased() {
    withController([](auto& c) { c.directionTouchEnded(); });
}

void GamepadAdapter::directionCancelled() {
    withController([](auto& c) { c.directionTouchCancelled(); });
}

void GamepadAdapter::buttonDown(int tag) {
    withController([&](auto& c) { c.GameOPBnDown(tag); });
}

void GamepadAdapter::buttonUp(int tag, bool inside) {
    withController([&](auto& c) { c.buttonUp(tag, inside); });
}

void GamepadAdapter::buttonCancelled(int tag) {
    withController([&](auto& c) { c.buttonCancelled(tag); });
}

void GamepadAdapter::leave() {
    withController([](auto& c) { c.viewWillDisappear(); });
}

QVariantMap GamepadAdapter::keys() const {
    QVariantMap keys;
    auto c = controller_.lock();
    if (!c) {
        return keys;
    }
    using C = GameHandleViewController;
    const std::pair<QString, GameButton> named[] = {
        {"up", GameButton::Up},
        {"down", GameButton::Down},
        {"left", GameButton::Left},
        {"right", GameButton::Right},
        {QString::number(C::kSquareTag), GameButton::Square},
        {QString::number(C::kRingTag), GameButton::Ring},
        {QString::number(C::kXTag), GameButton::X},
        {QString::number(C::kTriangleTag), GameButton::Triangle},
        {QString::number(C::kL1Tag), GameButton::L1},
        {QString::number(C::kL2Tag), GameButton::L2},
        {QString::number(C::kR1Tag), GameButton::R1},
        {QString::number(C::kR2Tag), GameButton::R2},
        {QString::number(C::kSelectTag), GameButton::Select},
        {QString::number(C::kStartTag), GameButton::Start},
    };
    for (const auto& [name, button] : named) {
        keys.insert(name, QString::fromStdString(c->keyName(button)));
    }
    return keys;
}

void GamepadAdapter::showDirection(std::uint64_t cell) {
    direction_ = static_cast<int>(cell);
    emit directionChanged();
}

void GamepadAdapter::closeScreen() {
    emit closed();
}

}  // namespace pd::gui
