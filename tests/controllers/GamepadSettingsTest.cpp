// The gamepad's key table and the settings screens of its two configurations, against a
// user-defaults store of a temporary home.

#include "controllers/GameHandleSetVC.h"
#include "controllers/GameKeyMap.h"
#include "platform/UserDefaults.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pd::test {
namespace {

TEST(GameKeyMap, NamesTurnIntoTheirOneByteCodes) {
    const KeyMapDic dic = GenKeyMapCode();
    EXPECT_EQ(dic.size(), 98u);
    struct Case {
        std::string name;
        int code;
    };
    const Case cases[] = {
        {"0", 0},
        {"9", 9},
        {"A", 10},
        {"X", 33},
        {"Z", 35},
        {"\u2191", 36},
        {"\u2193", 37},
        {"\u2190", 38},
        {"\u2192", 39},
        {"NumLock", 40},
        {"Num0", 41},
        {"Num9", 50},
        {"Num/", 51},
        {"Num.", 55},
        {"F1", 56},
        {"F12", 67},
        {"Insert", 68},
        {"PageDown", 73},
        {"Ctrl", 74},
        {"Space", 82},
        {"BackSpace", 83},
        {"~`", 84},
        {"|\\", 85},
        {"+=", 86},
        {"_-", 87},
        {"{[", 88},
        {"}]", 89},
        {":;", 90},
        {"\"'", 91},
        {"<,", 92},
        {">.", 93},
        {"?/", 94},
        {"MouseLeft", 200},
        {"MouseRight", 201},
        {"", 255},
        // Not in the table: code 0, like the digit zero.
        {"a", 0},
        {"Num10", 0},
        {"F13", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keyCodeFor(dic, c.name), c.code) << "'" << c.name << "'";
    }
}

TEST(GameKeyMap, TheSelectionListOffersSixtyThreeKnownNamesInOrder) {
    const std::vector<std::string>& names = selectableKeyNames();
    ASSERT_EQ(names.size(), 63u);
    EXPECT_EQ(names[0], "A");
    EXPECT_EQ(names[25], "Z");
    EXPECT_EQ(names[26], "\u2191");
    EXPECT_EQ(names[30], "Num0");
    EXPECT_EQ(names[40], "Num/");
    EXPECT_EQ(names[45], "F1");
    EXPECT_EQ(names[57], "Insert");
    EXPECT_EQ(names[62], "PageDown");
    const KeyMapDic dic = GenKeyMapCode();
    for (const std::string& name : names) {
        EXPECT_TRUE(dic.contains(name)) << name;
    }
    EXPECT_FALSE(isSelectableKeyName("MouseLeft"));
    EXPECT_FALSE(isSelectableKeyName(""));
}

TEST(GameKeyMap, StorageKeysAndDefaultsOfBothConfigurations) {
    struct Case {
        GameButton button;
        int configuration;
        std::string key;
        std::string name;
    };
    const Case cases[] = {
        {GameButton::Up, 1, "GAMEUPBN1", "W"},
        {GameButton::Up, 2, "GAMEUPBN2", "\u2191"},
        {GameButton::Right, 2, "GAMERIGHTBN2", "\u2192"},
        {GameButton::Triangle, 1, "GAMETRIANGLEBN1", "U"},
        {GameButton::X, 2, "GAMEXBN2", "Num2"},
        {GameButton::L1, 1, "GAMEL1BN1", "Y"},
        {GameButton::R2, 2, "GAMER2BN2", "Num6"},
        {GameButton::Start, 1, "GAMESTARTBN1", "F1"},
        {GameButton::Select, 2, "GAMESELECTBN2", "F4"},
        // Any other configuration number falls back to configuration 1's defaults.
        {GameButton::Select, 0, "GAMESELECTBN0", "F2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gameKeyStorageKey(c.button, c.configuration), c.key);
        EXPECT_EQ(defaultKeyName(c.button, c.configuration), c.name) << c.key;
    }
}

struct RecordingSetView : GameHandleSetView {
    std::string title = "<none>";
    std::map<int, std::string> buttons;
    std::optional<std::size_t> listRow;
    int listButton = 0;
    bool listShown = false;
    bool closed = false;

    void setTitle(const std::string& key) override { title = key; }
    void setButtonTitle(int button, const std::string& name) override { buttons[button] = name; }
    void showSelectionList(int button, const std::vector<std::string>& names,
                           std::optional<std::size_t> row) override {
        EXPECT_EQ(names.size(), 63u);
        listButton = button;
        listRow = row;
        listShown = true;
    }
    void hideSelectionList() override { listShown = false; }
    void closeScreen() override { closed = true; }
};

class GamepadSettingsTest : public TempHome {
  protected:
    std::unique_ptr<GameHandleSetVC> open(std::int32_t setType) {
        auto vc = std::make_unique<GameHandleSetVC>(view, *defaults, setType);
        vc->viewDidLoad();
        return vc;
    }
    // The store as a new process would read it: only what was flushed.
    GameKeyNames namesAfterRestart() {
        UserDefaults reread(defaults->file());
        return InitKeyValue(reread);
    }

    std::unique_ptr<UserDefaults> defaults =
        std::make_unique<UserDefaults>(home() / "Library" / "defaults.json");
    std::shared_ptr<RecordingSetView> view = std::make_shared<RecordingSetView>();
};

TEST_F(GamepadSettingsTest, AFreshInstallationPlaysWithConfigurationOne) {
    const GameKeyNames expected = {"W", "S", "A", "D", "U", "I",  "J",
                                   "K", "Y", "H", "O", "L", "F1", "F2"};
    EXPECT_EQ(InitKeyValue(*defaults), expected);
    EXPECT_FALSE(defaults->hasKey(kGameHandleSetTypeKey));
}

TEST_F(GamepadSettingsTest, OpeningConfigurationTwoWritesItsDefaultsAndMakesItThePadsOne) {
    auto vc = open(2);
    EXPECT_EQ(view->title, "game config2");
    EXPECT_EQ(view->buttons.size(), 14u);
    EXPECT_EQ(view->buttons[GameHandleSetVC::kUp], "\u2191");
    EXPECT_EQ(view->buttons[GameHandleSetVC::kTriangle], "Num4");
    EXPECT_EQ(view->buttons[GameHandleSetVC::kSquare], "Num5");

    UserDefaults reread(defaults->file());
    EXPECT_EQ(reread.integerForKey(kGameHandleSetTypeKey), 2);
    for (const GameButtonInfo& info : gameButtons()) {
        EXPECT_EQ(reread.stringForKey(gameKeyStorageKey(info.button, 2)), info.default2);
        EXPECT_FALSE(reread.hasKey(gameKeyStorageKey(info.button, 1)));
    }
    const GameKeyNames names = InitKeyValue(reread);
    EXPECT_EQ(names[static_cast<std::size_t>(GameButton::Up)], "\u2191");
    EXPECT_EQ(names[static_cast<std::size_t>(GameButton::Left)], "\u2190");

    // Opening configuration 1 afterwards switches the pad back without touching configuration 2.
    open(1);
    EXPECT_EQ(view->title, "game config1");
    EXPECT_EQ(namesAfterRestart()[static_cast<std::size_t>(GameButton::Up)], "W");
    EXPECT_EQ(defaults->stringForKey("GAMEUPBN2"), "\u2191");
}

TEST_F(GamepadSettingsTest, AChosenNameIsShownStoredAndKeptOnReopening) {
    auto vc = open(1);
    vc->L1BnAction();
    EXPECT_TRUE(view->listShown);
    EXPECT_EQ(view->listButton, GameHandleSetVC::kL1);
    EXPECT_EQ(view->listRow, 24u);  // "Y"
    EXPECT_EQ(vc->DropDownSelectValue("PageDown"), KeyChoiceOutcome::Stored);
    EXPECT_FALSE(view->listShown);
    EXPECT_EQ(view->buttons[GameHandleSetVC::kL1], "PageDown");
    EXPECT_EQ(namesAfterRestart()[static_cast<std::size_t>(GameButton::L1)], "PageDown");
    EXPECT_EQ(keyCodeFor(GenKeyMapCode(), "PageDown"), 73);

    // Reopening shows the stored name, not the default, and the list opens at it.
    view = std::make_shared<RecordingSetView>();
    vc = open(1);
    EXPECT_EQ(view->buttons[GameHandleSetVC::kL1], "PageDown");
    vc->L1BnAction();
    EXPECT_EQ(view->listRow, 62u);
}

TEST_F(GamepadSettingsTest, NamesOutsideTheListAreNeitherSelectedNorStored) {
    defaults->setString("GAMESTARTBN1", "MouseLeft");  // written by an older version
    auto vc = open(1);
    vc->StartBnAction();
    EXPECT_TRUE(view->listShown);
    EXPECT_EQ(view->listRow, std::nullopt);

    for (const std::string name : {"MouseLeft", "", "Num10", "w"}) {
        EXPECT_EQ(vc->DropDownSelectValue(name), KeyChoiceOutcome::NotSelectable) << name;
    }
    EXPECT_EQ(defaults->stringForKey("GAMESTARTBN1"), "MouseLeft");
    EXPECT_TRUE(view->listShown);  // still open for a proper choice

    // A touch outside closes the list; a late choice then changes nothing.
    vc->touchesEnded();
    EXPECT_FALSE(view->listShown);
    EXPECT_EQ(vc->DropDownSelectValue("F5"), KeyChoiceOutcome::NoListOpen);
    EXPECT_EQ(defaults->stringForKey("GAMESTARTBN1"), "MouseLeft");

    vc->DoBack();
    EXPECT_TRUE(view->closed);
}

}  // namespace
}  // namespace pd::test
