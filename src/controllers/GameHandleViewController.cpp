#include "controllers/GameHandleViewController.h"

#include "core/AuthCore.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <limits>

namespace pd {

namespace {

// The four directions, in the order their key-ups are sent when the pad is released.
constexpr GameButton kDirections[] = {GameButton::Up, GameButton::Left, GameButton::Down,
                                      GameButton::Right};

std::optional<GameButton> buttonForCell(std::uint64_t cell) {
    switch (cell) {
        case 1:
            return GameButton::Down;
        case 3:
            return GameButton::Left;
        case 5:
            return GameButton::Right;
        case 7:
            return GameButton::Up;
        default:
            return std::nullopt;  // the centre, outside, and the diagonals send nothing
    }
}

}  // namespace

GameHandleViewController::Services GameHandleViewController::standardServices() {
    return Services{UserDefaults::standard(), MainQueue::shared(),
                    &NotificationCenter::defaultCenter()};
}

GameHandleViewController::GameHandleViewController(std::weak_ptr<GameHandleView> view,
                                                   Services services, std::string strIP,
                                                   std::int32_t nPort)
    : view_(std::move(view)),
      services_(std::move(services)),
      strIP_(std::move(strIP)),
      nPort_(nPort),
      keyMapDic_(GenKeyMapCode()),
      sender_(strIP_, nPort_, services_.sockets, services_.queue, services_.repeatDelay) {
    direction_.setDelegate(this);
    for (const GameButtonInfo& info : gameButtons()) {
        names_[static_cast<std::size_t>(info.button)] = std::string(info.default1);
    }
}

GameHandleViewController::~GameHandleViewController() {
    if (closedObserver_ != 0 && services_.notifications) {
        services_.notifications->removeObserver(closedObserver_);
    }
    close();
    direction_.setDelegate(nullptr);
}

void GameHandleViewController::viewDidLoad() {
    const std::int64_t stored = services_.defaults.integerForKey(kGameHandleSetTypeKey).value_or(0);
    setType_ = stored >= std::numeric_limits<std::int32_t>::min() &&
                       stored <= std::numeric_limits<std::int32_t>::max()
                   ? static_cast<std::int32_t>(stored)
                   : 0;
    names_ = InitKeyValue(services_.defaults);
    if (services_.notifications && closedObserver_ == 0) {
        closedObserver_ = services_.notifications->addObserver(
            AuthCore::kNetworkClosedNotification,
            [this](const std::string&, const UserInfo&) { linkLost(); });
    }
}

void GameHandleViewController::viewWillDisappear() {
    releaseAll();
}

std::uint8_t GameHandleViewController::codeFor(GameButton button) const {
    return keyCodeFor(keyMapDic_, keyName(button));
}

void GameHandleViewController::directionTouchBegan(double x, double y) {
    directionTouchMoved(x, y);
}

void GameHandleViewController::directionTouchMoved(double x, double y) {
    if (closed()) {
        return;
    }
    PadSize size;
    if (auto v = view()) {
        size = v->directionPadSize();
    }
    direction_.touchMoved(x, y, size.width, size.height);
}

void GameHandleViewController::directionTouchEnded() {
    if (!closed()) {
        direction_.touchEnded();
    }
}

void GameHandleViewController::directionTouchCancelled() {
    if (!closed()) {
        direction_.touchCancelled();
    }
}

void GameHandleViewController::didPressDirection(GameHandleDirection&, std::uint64_t cell) {
    if (auto v = view()) {
        v->showDirection(cell);
    }
    if (std::optional<GameButton> button = buttonForCell(cell)) {
        send(*button, KeyAction::Down);
    }
}

void GameHandleViewController::GameHandleDidReleaseDirection(GameHandleDirection&) {
    if (auto v = view()) {
        v->showDirection(GameHandleDirection::kCentre);
    }
    for (GameButton button : kDirections) {
        send(button, KeyAction::Up);
    }
}

std::optional<GameButton> GameHandleViewController::buttonForTag(int tag) {
    switch (tag) {
        case kSquareTag:
            return GameButton::Square;
        case kRingTag:
            return GameButton::Ring;
        case kXTag:
            return GameButton::X;
        case kTriangleTag:
            return GameButton::Triangle;
        case kL1Tag:
            return GameButton::L1;
        case kL2Tag:
            return GameButton::L2;
        case kR1Tag:
            return GameButton::R1;
        case kR2Tag:
            return GameButton::R2;
        case kSelectTag:
            return GameButton::Select;
        case kStartTag:
            return GameButton::Start;
        default:
            return std::nullopt;
    }
}

bool GameHandleViewController::isFaceButton(GameButton button) {
    return button == GameButton::Square || button == GameButton::Ring || button == GameButton::X ||
           button == GameButton::Triangle;
}

void GameHandleViewController::GameOPBnDown(int tag) {
    std::optional<GameButton> button = buttonForTag(tag);
    if (button && isFaceButton(*button)) {
        send(*button, KeyAction::Down);
    }
}

void GameHandleViewController::buttonUp(int tag, bool inside) {
    if (tag == kExitTag) {
        if (inside) {
            close();
            if (auto v = view()) {
                v->closeScreen();
            }
        }
        return;
    }
    std::optional<GameButton> button = buttonForTag(tag);
    if (!button) {
        return;
    }
    if (isFaceButton(*button)) {
        // Lifted outside the button the key still goes up: it was sent down.
        if (inside || isHeld(*button)) {
            send(*button, KeyAction::Up);
        }
    } else if (inside) {
        send(*button, KeyAction::Click);
    }
}

void GameHandleViewController::buttonCancelled(int tag) {
    std::optional<GameButton> button = buttonForTag(tag);
    if (button && isHeld(*button)) {
        send(*button, KeyAction::Up);
    }
}

void GameHandleViewController::linkLost() {
    close();
    if (auto v = view()) {
        v->closeScreen();
    }
}

void GameHandleViewController::send(GameButton button, KeyAction action) {
    const auto index = static_cast<std::size_t>(button);
    if (action == KeyAction::Down) {
        held_.set(index);
    } else if (action == KeyAction::Up) {
        held_.reset(index);
    }
    sender_.send(codeFor(button), action);
}

void GameHandleViewController::releaseAll() {
    bool directionHeld = false;
    for (GameButton button : kDirections) {
        directionHeld = directionHeld || isHeld(button);
    }
    // A touch on the pad ends as if lifted: neutral picture and the four key-ups.
    if (directionHeld || direction_.currentDirection() != GameHandleDirection::kCentre) {
        direction_.touchEnded();
    }
    for (const GameButtonInfo& info : gameButtons()) {
        if (isHeld(info.button)) {
            send(info.button, KeyAction::Up);
        }
    }
}

void GameHandleViewController::close() {
    if (closed()) {
        return;
    }
    releaseAll();
    sender_.close();
}

}  // namespace pd
