// The gamepad and microphone sections against a real peer: a configuration's keys edited on the
// settings screen, the pad's touches as the key events the peer's gamepad receiver reports
// (several fingers at once, and none left held when the page goes away), and the microphone
// streaming a sound file that the peer's audio receiver saves.

#include "GuiFixture.h"

#include "RemoteControlAdapter.h"
#include "controllers/IntelligentViewController.h"
#include "controllers/WifiMgrVC.h"
#include "platform/UserDefaults.h"
#include "support/SoundFiles.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pd::gui {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Key codes of configuration 1's defaults and of the names chosen below.
constexpr int kW = 32, kX = 20, kArrowUp = 36, kPageDown = 73;

class GuiGamepadMic : public GuiAgainstPeer {
  protected:
    // Connected, on the remote-control tab's section `menu` (3 gamepad, 4 microphone).
    void openSection(const char* menu, GuiOptions options = {}) {
        WifiMgrVC::resetSeenDevicesForTests();
        startPeer({"--code", "135790"});
        options.pc = address();
        options.code = "135790";
        open(options);
        ASSERT_NE(ui->waitFor("diskRow_0"), nullptr);
        ASSERT_TRUE(ui->click("tab_2"));
        ASSERT_TRUE(ui->click(menu));
    }
    RemoteControlAdapter& panel() const { return *app->tabsAdapter()->remoteScreen(); }

    // Starts the pad from the gamepad section; the computer names its port.
    void startPad() {
        ASSERT_TRUE(ui->click("pad_centre"));
        ASSERT_NE(ui->waitFor("directionPad"), nullptr);
        ui->settle();  // touches wait for the page to come to rest
    }
    // A point of the direction pad's cell (column * 3 + row, in the pad's own coordinates).
    QPointF cell(int number) const {
        QQuickItem* pad = ui->find("directionPad");
        return {(number / 3 + 0.5) * pad->width() / 3, (number % 3 + 0.5) * pad->height() / 3};
    }

    // The next `count` key events the peer's gamepad receiver reports, as "key action". Key-ups
    // of keys that are not down are left out: the pad sends every key-up twice, and letting go
    // of the direction pad lifts all four directions. Qt's loop runs while waiting, so that the
    // pad's own queued sends go out.
    std::vector<std::string> keys(std::size_t count) {
        std::vector<std::string> got;
        ui->waitUntil(
            [&] {
                while (got.size() < count) {
                    auto e = peerProcess->nextEvent(10ms);
                    if (!e) {
                        return false;
                    }
                    if (e->value("event", "") == "gamepad" &&
                        e->value("action", "") != "already up") {
                        got.push_back(std::to_string(e->value("key", -1)) + " " +
                                      e->value("action", ""));
                    }
                }
                return true;
            },
            20s);
        return got;
    }
    static std::string key(int code, const char* action) {
        return std::to_string(code) + " " + action;
    }
};

TEST_F(GuiGamepadMic, SettingsShowTheConfigurationsKeysAndStoreAChoiceThePadThenSends) {
    openSection("menu_3");
    ASSERT_TRUE(ui->click("pad_right"));  // configuration 2
    ASSERT_NE(ui->waitFor("gameKey_1"), nullptr);
    EXPECT_EQ(textOf("gameSettingsTitle"), displayText("game config2"));
    const std::pair<const char*, const char*> shown[] = {
        {"gameKey_1", "↑"},    {"gameKey_2", "↓"},   {"gameKey_3", "←"},   {"gameKey_4", "→"},
        {"gameKey_9", "Num7"}, {"gameKey_13", "F3"}, {"gameKey_14", "F4"},
    };
    for (const auto& [button, name] : shown) {
        EXPECT_EQ(textOf(button), QString::fromUtf8(name)) << button;
    }

    // The list opens beside L1 at its name; the user scrolls down to PageDown and picks it.
    ASSERT_TRUE(ui->click("gameKey_9"));
    QQuickItem* list = ui->waitFor("keyList");
    ASSERT_NE(list, nullptr);
    QQuickItem* current = ui->waitFor("keyChoice_37");
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->property("text").toString(), "Num7");
    EXPECT_TRUE(current->property("highlighted").toBool());
    QQuickItem* pageDown = ui->scrollTo(list, "keyChoice_62", 0, -150);
    ASSERT_NE(pageDown, nullptr);
    ui->click(pageDown);
    EXPECT_TRUE(ui->waitUntil([&] { return ui->find("keyList") == nullptr; }));
    EXPECT_EQ(textOf("gameKey_9"), "PageDown");
    EXPECT_EQ(UserDefaults::standard().stringForKey("GAMEL1BN2"), "PageDown");

    // A tap beside the open list closes it and changes nothing.
    ASSERT_TRUE(ui->click("gameKey_11"));
    QQuickItem* outside = ui->waitFor("keyListDismiss");
    ASSERT_NE(outside, nullptr);
    ui->clickAt(outside, QPointF(8, outside->height() - 8));
    EXPECT_TRUE(ui->waitUntil([&] { return ui->find("keyList") == nullptr; }));
    EXPECT_EQ(UserDefaults::standard().stringForKey("GAMER1BN2"), "Num9");

    // Back on the panel, the pad plays with configuration 2: arrows, and PageDown for L1.
    ASSERT_TRUE(ui->click("gameSettingsBack"));
    startPad();
    Fingers fingers(ui->window());
    fingers.press(0, ui->find("directionPad"), cell(7));
    fingers.release(0);
    ui->click(ui->find("padButton_9"));
    EXPECT_EQ(keys(3), (std::vector<std::string>{key(kArrowUp, "down"), key(kArrowUp, "up"),
                                                 key(kPageDown, "click")}));
}

TEST_F(GuiGamepadMic, ThePadSendsEachFingersKeysAndLiftsThemWhenLeft) {
    openSection("menu_3");
    startPad();
    QQuickItem* direction = ui->find("directionPad");
    QQuickItem* x = ui->find("padButton_7");
    ASSERT_NE(x, nullptr);

    // X alone: down on the press, up on the lift.
    Fingers fingers(ui->window());
    fingers.press(1, x, QPointF(x->width() / 2, x->height() / 2));
    EXPECT_EQ(keys(1), std::vector<std::string>{key(kX, "down")});
    fingers.release(1);
    EXPECT_EQ(keys(1), std::vector<std::string>{key(kX, "up")});

    // Up held on the pad while X is pressed and lifted; then the pad is let go.
    fingers.press(0, direction, cell(7));
    fingers.press(1, x, QPointF(x->width() / 2, x->height() / 2));
    fingers.release(1);
    fingers.release(0);
    EXPECT_EQ(keys(4), (std::vector<std::string>{key(kW, "down"), key(kX, "down"), key(kX, "up"),
                                                 key(kW, "up")}));

    // A finger still on X and on the pad when another tab is chosen: both keys go up.
    fingers.press(0, direction, cell(7));
    fingers.press(1, x, QPointF(x->width() / 2, x->height() / 2));
    EXPECT_EQ(keys(2), (std::vector<std::string>{key(kW, "down"), key(kX, "down")}));
    ASSERT_TRUE(ui->click("tab_0"));
    std::vector<std::string> lifted = keys(2);
    std::sort(lifted.begin(), lifted.end());
    EXPECT_EQ(lifted, (std::vector<std::string>{key(kX, "up"), key(kW, "up")}));
    fingers.release(1);
    fingers.release(0);

    // Back on the tab the pad is still there; exit returns to the panel.
    ASSERT_TRUE(ui->click("tab_2"));
    ASSERT_TRUE(ui->click("padButton_104"));
    EXPECT_NE(ui->waitFor("pad_centre"), nullptr);
    EXPECT_EQ(panel().gamepad(), nullptr);
}

TEST_F(GuiGamepadMic, TheMicrophoneStreamsASoundFileThatThePeerSavesSampleForSample) {
    // A second and a half of a loud 440 Hz tone.
    std::vector<std::int16_t> tone(12000);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<std::int16_t>(16000 * std::sin(2 * M_PI * 440 * i / 8000.0));
    }
    const fs::path wav = home() / "tone.wav";
    test::writeWav16(wav, 8000, 1, tone);
    GuiOptions options;
    options.micWav = wav.string();
    openSection("menu_4", options);
    EXPECT_EQ(textOf("micState"), displayText("tap to speak"));
    ASSERT_TRUE(ui->click("micButton"));

    // While it streams the button says so and the level image lights up.
    ASSERT_TRUE(ui->waitUntil([&] { return panel().micRunning(); }));
    EXPECT_EQ(textOf("micState"), displayText("tap to stop"));
    EXPECT_TRUE(ui->waitUntil([&] { return ui->find("micLevel")->property("level").toInt() > 0; }));
    EXPECT_NE(ui->find("micDelay"), nullptr);

    // The file's end stops it, quietly; every byte was written.
    ASSERT_TRUE(ui->waitUntil([&] { return !panel().micRunning(); }));
    EXPECT_EQ(textOf("micState"), displayText("tap to speak"));
    EXPECT_EQ(ui->find("tipText"), nullptr);
    ASSERT_TRUE(ui->waitUntil(
        [&] { return panel().controller()->microphoneReport().bytesSent == tone.size() * 2; }));

    // The stream's connection ends with the panel; the peer then saves what it received.
    closeWindow();
    std::optional<nlohmann::json> saved;
    while (auto e = peerProcess->nextEvent(20s)) {
        if (e->value("event", "") == "audio_saved") {
            saved = e;
            break;
        }
    }
    ASSERT_TRUE(saved.has_value());
    std::ifstream in(saved->value("path", ""), std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto bytes = test::asBytes(tone);
    ASSERT_GE(file.size(), bytes.size());
    EXPECT_EQ(file.substr(file.size() - bytes.size()), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(saved->value("bytes", 0u), bytes.size());
}

TEST_F(GuiGamepadMic, AMicrophoneThatCannotOpenSaysWhy) {
    GuiOptions options;
    options.micDevice = "pocketdesk-no-such-device";
    openSection("menu_4", options);
    ASSERT_TRUE(ui->click("micButton"));
    ASSERT_TRUE(ui->waitUntil(
        [&] { return app->overlay()->property("tipText").toString().contains("no-such-device"); }));
    EXPECT_TRUE(app->overlay()->property("tipText").toString().startsWith(
        displayText("microphone stopped")));
    EXPECT_FALSE(panel().micRunning());
    EXPECT_EQ(textOf("micState"), displayText("tap to speak"));
}

}  // namespace
}  // namespace pd::gui
