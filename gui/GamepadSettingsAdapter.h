#pragma once
// A gamepad configuration's settings for Qt Quick: the 14 buttons titled with their key names,
// and the list of key names that opens beside the pressed button.

#include "OverlayScreen.h"

#include "controllers/GameHandleSetView.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace pd {
class GameHandleSetVC;
}

namespace pd::gui {

class GamepadSettingsAdapter : public QObject, public OverlayScreen<GameHandleSetView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    // The key names of the buttons, by curClickBn - 1 (0 up ... 13 select).
    Q_PROPERTY(QStringList buttonTitles READ buttonTitles NOTIFY changed)
    // The button the list is open beside (1 ... 14), 0 while it is closed.
    Q_PROPERTY(int listButton READ listButton NOTIFY listChanged)
    Q_PROPERTY(QStringList names READ names NOTIFY listChanged)
    // The row of the pressed button's name, -1 when it is not one the list offers.
    Q_PROPERTY(int selectedRow READ selectedRow NOTIFY listChanged)

  public:
    GamepadSettingsAdapter(Overlay& overlay, std::shared_ptr<GameHandleSetVC> controller);

    // A button was pressed, by its curClickBn value.
    Q_INVOKABLE void pressButton(int button);
    Q_INVOKABLE void choose(const QString& name);
    // A tap outside the list.
    Q_INVOKABLE void dismissList();
    Q_INVOKABLE void back();

    const std::shared_ptr<GameHandleSetVC>& controller() const { return controller_; }
    QString title() const { return title_; }
    QStringList buttonTitles() const { return buttonTitles_; }
    int listButton() const { return listButton_; }
    QStringList names() const { return names_; }
    int selectedRow() const { return selectedRow_; }

    // GameHandleSetView
    void setTitle(const std::string& key) override;
    void setButtonTitle(int button, const std::string& name) override;
    void showSelectionList(int button, const std::vector<std::string>& names,
                           std::optional<std::size_t> selectedRow) override;
    void hideSelectionList() override;
    void closeScreen() override;

  signals:
    void changed();
    void listChanged();
    void closed();

  private:
    std::shared_ptr<GameHandleSetVC> controller_;
    QString title_;
    QStringList buttonTitles_;
    int listButton_ = 0;
    QStringList names_;
    int selectedRow_ = -1;
};

}  // namespace pd::gui
