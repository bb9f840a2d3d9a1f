#include "controllers/GameKeyMap.h"

#include "platform/UserDefaults.h"

#include <algorithm>
#include <charconv>

namespace pd {

namespace {

constexpr std::array<GameButtonInfo, kGameButtonCount> kButtons = {{
    {GameButton::Up, "UP", "W", "\u2191"},
    {GameButton::Down, "DOWN", "S", "\u2193"},
    {GameButton::Left, "LEFT", "A", "\u2190"},
    {GameButton::Right, "RIGHT", "D", "\u2192"},
    {GameButton::Triangle, "TRIANGLE", "U", "Num4"},
    {GameButton::Square, "SQUARE", "I", "Num5"},
    {GameButton::Ring, "RING", "J", "Num1"},
    {GameButton::X, "X", "K", "Num2"},
    {GameButton::L1, "L1", "Y", "Num7"},
    {GameButton::L2, "L2", "H", "Num8"},
    {GameButton::R1, "R1", "O", "Num9"},
    {GameButton::R2, "R2", "L", "Num6"},
    {GameButton::Start, "START", "F1", "F3"},
    {GameButton::Select, "SELECT", "F2", "F4"},
}};

constexpr std::array<std::string_view, 4> kArrows = {"\u2191", "\u2193", "\u2190", "\u2192"};
constexpr std::array<std::string_view, 5> kNumPadSigns = {"Num/", "Num*", "Num-", "Num+", "Num."};
constexpr std::array<std::string_view, 6> kEditKeys = {"Insert", "Delete", "Home",
                                                       "End",    "PageUp", "PageDown"};
constexpr std::array<std::string_view, 10> kModifiers = {
    "Ctrl", "Shift", "Enter", "CapsLock", "Tab", "Esc", "Win", "Alt", "Space", "BackSpace"};
// Two characters of a key cap, the shifted one first.
constexpr std::array<std::string_view, 11> kPunctuation = {"~`", "|\\", "+=", "_-", "{[", "}]",
                                                           ":;", "\"'", "<,", ">.", "?/"};

std::string letter(int i) {
    return std::string(1, static_cast<char>('A' + i));
}

}  // namespace

const std::array<GameButtonInfo, kGameButtonCount>& gameButtons() {
    return kButtons;
}

const GameButtonInfo& gameButtonInfo(GameButton button) {
    return kButtons[static_cast<std::size_t>(button)];
}

std::string gameKeyStorageKey(GameButton button, std::int64_t configuration) {
    return "GAME" + std::string(gameButtonInfo(button).stem) + "BN" + std::to_string(configuration);
}

std::string_view defaultKeyName(GameButton button, int configuration) {
    const GameButtonInfo& info = gameButtonInfo(button);
    return configuration == 2 ? info.default2 : info.default1;
}

const std::vector<std::string>& selectableKeyNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (int i = 0; i < 26; ++i) {
            n.push_back(letter(i));
        }
        n.insert(n.end(), kArrows.begin(), kArrows.end());
        for (int i = 0; i <= 9; ++i) {
            n.push_back("Num" + std::to_string(i));
        }
        n.insert(n.end(), kNumPadSigns.begin(), kNumPadSigns.end());
        for (int i = 1; i <= 12; ++i) {
            n.push_back("F" + std::to_string(i));
        }
        n.insert(n.end(), kEditKeys.begin(), kEditKeys.end());
        return n;
    }();
    return names;
}

bool isSelectableKeyName(std::string_view name) {
    const std::vector<std::string>& names = selectableKeyNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

KeyMapDic GenKeyMapCode() {
    KeyMapDic dic;
    int code = 0;
    const auto add = [&dic, &code](std::string name) {
        dic.emplace(std::move(name), std::to_string(code++));
    };
    for (int i = 0; i <= 9; ++i) {
        add(std::to_string(i));
    }
    for (int i = 0; i < 26; ++i) {
        add(letter(i));
    }
    for (std::string_view name : kArrows) {
        add(std::string(name));
    }
    add("NumLock");
    for (int i = 0; i <= 9; ++i) {
        add("Num" + std::to_string(i));
    }
    for (std::string_view name : kNumPadSigns) {
        add(std::string(name));
    }
    for (int i = 1; i <= 12; ++i) {
        add("F" + std::to_string(i));
    }
    for (std::string_view name : kEditKeys) {
        add(std::string(name));
    }
    for (std::string_view name : kModifiers) {
        add(std::string(name));
    }
    for (std::string_view name : kPunctuation) {
        add(std::string(name));
    }
    dic.emplace("MouseLeft", "200");
    dic.emplace("MouseRight", "201");
    dic.emplace("", "255");
    return dic;
}

std::uint8_t keyCodeFor(const KeyMapDic& keyMapDic, std::string_view name) {
    auto it = keyMapDic.find(name);
    if (it == keyMapDic.end()) {
        return 0;
    }
    long value = 0;
    const std::string& text = it->second;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return static_cast<std::uint8_t>(value & 0xFF);
}

GameKeyNames InitKeyValue(const UserDefaults& defaults) {
    const std::int64_t setType = defaults.integerForKey(kGameHandleSetTypeKey).value_or(0);
    GameKeyNames names;
    for (const GameButtonInfo& info : kButtons) {
        std::optional<std::string> stored =
            defaults.stringForKey(gameKeyStorageKey(info.button, setType));
        names[static_cast<std::size_t>(info.button)] =
            stored ? *stored : std::string(info.default1);
    }
    return names;
}

}  // namespace pd
