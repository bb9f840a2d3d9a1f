#include "GamepadSettingsAdapter.h"

#include "controllers/GameHandleSetVC.h"
#include "controllers/GameKeyMap.h"

namespace pd::gui {

GamepadSettingsAdapter::GamepadSettingsAdapter(Overlay& overlay,
                                               std::shared_ptr<GameHandleSetVC> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {
    for (std::size_t i = 0; i < kGameButtonCount; ++i) {
        buttonTitles_ << QString();
    }
}

void GamepadSettingsAdapter::pressButton(int button) {
    controller_->buttonAction(button);
}

void GamepadSettingsAdapter::choose(const QString& name) {
    (void)controller_->DropDownSelectValue(name.toStdString());
}

void GamepadSettingsAdapter::dismissList() {
    controller_->touchesEnded();
}

void GamepadSettingsAdapter::back() {
    controller_->DoBack();
}

void GamepadSettingsAdapter::setTitle(const std::string& key) {
    title_ = key.empty() ? QString() : displayText(key);
    emit changed();
}

void GamepadSettingsAdapter::setButtonTitle(int button, const std::string& name) {
    if (button < 1 || button > buttonTitles_.size()) {
        return;
    }
    buttonTitles_[button - 1] = QString::fromStdString(name);
    emit changed();
}

void GamepadSettingsAdapter::showSelectionList(int button, const std::vector<std::string>& names,
                                               std::optional<std::size_t> selectedRow) {
    names_.clear();
    for (const std::string& name : names) {
        names_ << QString::fromStdString(name);
    }
    listButton_ = button;
    selectedRow_ = selectedRow ? static_cast<int>(*selectedRow) : -1;
    emit listChanged();
}

void GamepadSettingsAdapter::hideSelectionList() {
    if (listButton_ != 0) {
        listButton_ = 0;
        emit listChanged();
    }
}

void GamepadSettingsAdapter::closeScreen() {
    hideSelectionList();
    emit closed();
}

}  // namespace pd::gui
