#pragma once
// The pad for Qt Quick: the direction pad, whose touches arrive in its own coordinates, and the
// buttons by tag. The page reports when it is no longer shown, so no key stays held.

#include "OverlayScreen.h"

#include "controllers/GameHandleView.h"

#include <QObject>
#include <QVariantMap>

#include <memory>

namespace pd {
class GameHandleViewController;
}

namespace pd::gui {

class GamepadAdapter : public QObject, public OverlayScreen<GameHandleView> {
    Q_OBJECT
    // The direction cell shown (4: neutral).
    Q_PROPERTY(int direction READ direction NOTIFY directionChanged)
    // The key name each control sends: "up", "down", "left", "right" and the buttons' tags.
    Q_PROPERTY(QVariantMap keys READ keys NOTIFY keysChanged)

  public:
    GamepadAdapter(Overlay& overlay, std::weak_ptr<GameHandleViewController> controller);

    // The direction pad's size as laid out; its touches are in the same coordinates.
    Q_INVOKABLE void setPadSize(double width, double height);
    Q_INVOKABLE void directionPressed(double x, double y);
    Q_INVOKABLE void directionMoved(double x, double y);
    Q_INVOKABLE void directionReleased();
    Q_INVOKABLE void directionCancelled();
    Q_INVOKABLE void buttonDown(int tag);
    // Lifted, inside the button or not.
    Q_INVOKABLE void buttonUp(int tag, bool inside);
    Q_INVOKABLE void buttonCancelled(int tag);
    // The page is hidden (another tab, the window in the background): lift what is held.
    Q_INVOKABLE void leave();

    std::shared_ptr<GameHandleViewController> controller() const { return controller_.lock(); }
    int direction() const { return direction_; }
    QVariantMap keys() const;

    // GameHandleView
    PadSize directionPadSize() const override { return size_; }
    void showDirection(std::uint64_t cell) override;
    void closeScreen() override;

  signals:
    void directionChanged();
    void keysChanged();
    void closed();

  private:
    template <class F>
    void withController(F&& call);

    std::weak_ptr<GameHandleViewController> controller_;
    PadSize size_;
    int direction_ = 4;
};

}  // namespace pd::gui
