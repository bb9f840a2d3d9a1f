#include "controllers/GameHandleSetVC.h"

#include "platform/UserDefaults.h"

#include <algorithm>
#include <array>

namespace pd {

namespace {

// curClickBn order: 1 up ... 14 select.
constexpr std::array<GameButton, kGameButtonCount> kByCurClickBn = {
    GameButton::Up,   GameButton::Down, GameButton::Left,     GameButton::Right, GameButton::Square,
    GameButton::Ring, GameButton::X,    GameButton::Triangle, GameButton::L1,    GameButton::L2,
    GameButton::R1,   GameButton::R2,   GameButton::Start,    GameButton::Select};

}  // namespace

std::optional<GameButton> GameHandleSetVC::buttonFor(int curClickBn) {
    if (curClickBn < 1 || curClickBn > static_cast<int>(kByCurClickBn.size())) {
        return std::nullopt;
    }
    return kByCurClickBn[static_cast<std::size_t>(curClickBn - 1)];
}

int GameHandleSetVC::curClickBnFor(GameButton button) {
    auto it = std::find(kByCurClickBn.begin(), kByCurClickBn.end(), button);
    return static_cast<int>(it - kByCurClickBn.begin()) + 1;
}

GameHandleSetVC::GameHandleSetVC(std::weak_ptr<GameHandleSetView> view, UserDefaults& defaults,
                                 std::int32_t setType)
    : view_(std::move(view)), defaults_(defaults), setType_(setType) {}

void GameHandleSetVC::viewDidLoad() {
    if (auto v = view()) {
        v->setTitle(setType_ == 1 ? "game config1" : setType_ == 2 ? "game config2" : "");
        v->hideSelectionList();
    }
    SetBnTitle();
}

void GameHandleSetVC::SetBnTitle() {
    if (setType_ == 2) {
        SetTwoSchemeKey();
    } else if (setType_ == 1) {
        SetOneSchemeKey();
    }
    defaults_.setInteger(kGameHandleSetTypeKey, setType_);
    defaults_.synchronize();
}

void GameHandleSetVC::setSchemeKeys(int configuration) {
    for (const GameButtonInfo& info : gameButtons()) {
        const std::string key = gameKeyStorageKey(info.button, configuration);
        std::optional<std::string> stored = defaults_.stringForKey(key);
        if (!stored) {
            stored = std::string(defaultKeyName(info.button, configuration));
            defaults_.setString(key, *stored);
        }
        showTitle(info.button, std::move(*stored));
    }
}

void GameHandleSetVC::showTitle(GameButton button, std::string name) {
    if (auto v = view()) {
        v->setButtonTitle(curClickBnFor(button), name);
    }
    titles_[static_cast<std::size_t>(button)] = std::move(name);
}

void GameHandleSetVC::buttonAction(int curClickBn) {
    const std::optional<GameButton> button = buttonFor(curClickBn);
    if (!button) {
        return;
    }
    curClickBn_ = curClickBn;
    listOpen_ = true;
    const std::vector<std::string>& names = selectableKeyNames();
    auto it = std::find(names.begin(), names.end(), title(*button));
    std::optional<std::size_t> row;
    if (it != names.end()) {
        row = static_cast<std::size_t>(it - names.begin());
    }
    if (auto v = view()) {
        v->showSelectionList(curClickBn, names, row);
    }
}

KeyChoiceOutcome GameHandleSetVC::DropDownSelectValue(const std::string& name) {
    if (!listOpen_) {
        return KeyChoiceOutcome::NoListOpen;
    }
    // A front-end that passes a name of its own must not store a key the pad cannot send.
    if (!isSelectableKeyName(name)) {
        return KeyChoiceOutcome::NotSelectable;
    }
    listOpen_ = false;
    if (auto v = view()) {
        v->hideSelectionList();
    }
    const GameButton button = *buttonFor(curClickBn_);
    showTitle(button, name);
    defaults_.setString(gameKeyStorageKey(button, setType_), name);
    defaults_.synchronize();
    return KeyChoiceOutcome::Stored;
}

void GameHandleSetVC::touchesEnded() {
    listOpen_ = false;
    if (auto v = view()) {
        v->hideSelectionList();
    }
}

void GameHandleSetVC::DoBack() {
    listOpen_ = false;
    if (auto v = view()) {
        v->closeScreen();
    }
}

}  // namespace pd
