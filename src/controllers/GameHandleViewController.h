#pragma once
// The pad screen: turns touches on the direction pad and the buttons into key events for the
// computer's gamepad port, with the keys of the configuration in "GameHanleSetType".
//
// Face buttons (square 5, ring 6, X 7, triangle 8) send key-down on touch-down and key-up on
// lifting; shoulder buttons (L1 9, L2 10, R1 11, R2 12), select (102) and start (103) send one
// click on lifting inside; exit (104) leaves. The direction pad sends key-down for the up,
// down, left and right cells and, when the touch ends, key-up for all four directions.
//
// No key stays held on the computer: every key sent down is sent up again when its touch ends
// anywhere or is cancelled, when the screen goes away or is left, and when the link closes.
//
// Main queue only.

#include "controllers/GameHandleDirection.h"
#include "controllers/GameHandleView.h"
#include "controllers/GameKeyMap.h"
#include "controllers/GamepadSender.h"

#include <bitset>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace pd {

class DispatchQueue;
class NotificationCenter;
class UserDefaults;

class GameHandleViewController : public GameHandleDirectionDelegate {
  public:
    static constexpr int kSquareTag = 5, kRingTag = 6, kXTag = 7, kTriangleTag = 8, kL1Tag = 9,
                         kL2Tag = 10, kR1Tag = 11, kR2Tag = 12, kSelectTag = 102, kStartTag = 103,
                         kExitTag = 104;

    struct Services {
        UserDefaults& defaults;
        DispatchQueue& queue;  // where the repeated key-ups are sent from
        // Observed for the link's end; null: only linkLost() reports it.
        NotificationCenter* notifications = nullptr;
        std::shared_ptr<DatagramSockets> sockets = DatagramSockets::system();
        std::chrono::milliseconds repeatDelay{5};
    };
    // The computer's gamepad service at strIP:nPort.
    static Services standardServices();

    GameHandleViewController(std::weak_ptr<GameHandleView> view, Services services,
                             std::string strIP, std::int32_t nPort);
    // Lifts what is held and closes the socket.
    ~GameHandleViewController() override;
    GameHandleViewController(const GameHandleViewController&) = delete;
    GameHandleViewController& operator=(const GameHandleViewController&) = delete;
    void setView(std::weak_ptr<GameHandleView> view) { view_ = std::move(view); }

    // Reads the configuration and its names; no socket yet.
    void viewDidLoad();
    // The screen is going away (covered or closed): lift what is held.
    void viewWillDisappear();

    // --- direction pad, in its own coordinates (its size comes from the view)
    void directionTouchBegan(double x, double y);
    void directionTouchMoved(double x, double y);
    void directionTouchEnded();
    void directionTouchCancelled();

    // --- buttons by tag
    void GameOPBnDown(int tag);
    // Touch up inside the button.
    void GameOPBnUp(int tag) { buttonUp(tag, true); }
    void buttonUp(int tag, bool inside);
    void buttonCancelled(int tag);

    // The link to the computer closed: lift what is held, close the socket and the screen.
    void linkLost();

    // GameHandleDirectionDelegate
    void didPressDirection(GameHandleDirection& pad, std::uint64_t cell) override;
    void GameHandleDidReleaseDirection(GameHandleDirection& pad) override;

    const std::string& strIP() const { return strIP_; }
    std::int32_t nPort() const { return nPort_; }
    std::int32_t setType() const { return setType_; }
    const std::string& keyName(GameButton button) const {
        return names_[static_cast<std::size_t>(button)];
    }
    std::uint8_t codeFor(GameButton button) const;
    bool isHeld(GameButton button) const { return held_.test(static_cast<std::size_t>(button)); }
    bool socketOpen() const { return sender_.socketOpen(); }
    bool closed() const { return sender_.closed(); }

  private:
    static std::optional<GameButton> buttonForTag(int tag);
    static bool isFaceButton(GameButton button);
    void send(GameButton button, KeyAction action);
    void releaseAll();
    void close();
    std::shared_ptr<GameHandleView> view() const { return view_.lock(); }

    std::weak_ptr<GameHandleView> view_;
    Services services_;
    std::string strIP_;
    std::int32_t nPort_;
    std::int32_t setType_ = 0;
    KeyMapDic keyMapDic_;
    GameKeyNames names_;
    GameHandleDirection direction_;
    GamepadSender sender_;
    std::bitset<kGameButtonCount> held_;  // buttons whose key was sent down and not yet up
    std::uint64_t closedObserver_ = 0;
};

}  // namespace pd
