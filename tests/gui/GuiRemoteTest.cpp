// The remote-control tab against a real peer: sections by menu and swipe, the pad's messages,
// the power confirmation, a capture with its viewer and history, and the hotspot list. What
// reached the computer is read from the peer's frame log.

#include "GuiFixture.h"

#include "RemoteControlAdapter.h"
#include "codec/LinkCodes.h"
#include "controllers/IntelligentViewController.h"
#include "controllers/WifiMgrVC.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace pd::gui {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using nlohmann::json;

class GuiRemote : public GuiAgainstPeer {
  protected:
    // Connected, on the remote-control tab's computer section.
    void openRemoteTab() {
        WifiMgrVC::resetSeenDevicesForTests();
        frameLog = home() / "frames.jsonl";
        startPeer({"--code", "135790", "--log", frameLog.string()});
        GuiOptions options;
        options.pc = address();
        options.code = "135790";
        open(options);
        ASSERT_NE(ui->waitFor("diskRow_0"), nullptr);
        ASSERT_TRUE(ui->click("tab_2"));
        ASSERT_NE(ui->waitFor("shutdownTile"), nullptr);
    }
    RemoteControlAdapter& panel() const { return *app->tabsAdapter()->remoteScreen(); }

    // The bodies of the requests with this code that the peer received, in order.
    std::vector<json> received(std::int32_t code) const {
        std::vector<json> bodies;
        std::ifstream in(frameLog);
        for (std::string line; std::getline(in, line);) {
            const json frame = json::parse(line, nullptr, false);
            if (frame.is_object() && frame.value("dir", "") == "in" &&
                frame.value("code", 0) == code) {
                bodies.push_back(frame.value("body", json()));
            }
        }
        return bodies;
    }
    // The JSON contents of the plug messages to `plugId` the peer received.
    std::vector<json> plugContents(const std::string& plugId) const {
        std::vector<json> contents;
        for (const json& body : received(link::kPlugMessage.code)) {
            if (body.is_array() && body.size() == 5 && body[1] == plugId && body[4].is_string()) {
                contents.push_back(json::parse(body[4].get<std::string>(), nullptr, false));
            }
        }
        return contents;
    }
    bool sectionShows(const char* control) const { return ui->find(control) != nullptr; }

    fs::path frameLog;
};

TEST_F(GuiRemote, TheMenuAndSwipesShowEachSectionsControls) {
    openRemoteTab();
    EXPECT_EQ(textOf("remoteTitle"), displayText("intelligent control"));
    EXPECT_NE(ui->find("volumeSlider"), nullptr);
    EXPECT_EQ(ui->find("pad"), nullptr);

    struct Step {
        const char* how;  // a menu item's object name, or "left"/"right" for a swipe
        std::int32_t section;
        const char* centre;  // the pad's centre label key, or null: no pad
        bool hint;
        bool mic;
    };
    const Step steps[] = {
        {"menu_1", 20, "play", true, false},         {"left", 30, "start", false, false},
        {"left", 40, "start gamepad", false, false}, {"left", 50, nullptr, false, true},
        {"left", 10, nullptr, false, false},         {"right", 50, nullptr, false, true},
        {"menu_2", 30, "start", false, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.how);
        const std::string how = step.how;
        if (how == "left" || how == "right") {
            ui->swipe(ui->find("sectionArea"), how == "left" ? -200 : 200);
        } else {
            ASSERT_TRUE(ui->click(step.how));
        }
        ASSERT_TRUE(ui->waitUntil([&] { return panel().section() == step.section; }));
        EXPECT_EQ(sectionShows("shutdownTile"), step.section == 10);
        EXPECT_EQ(sectionShows("micButton"), step.mic);
        EXPECT_EQ(sectionShows("hintLine"), step.hint);
        ASSERT_EQ(sectionShows("pad_centre"), step.centre != nullptr);
        if (step.centre != nullptr) {
            EXPECT_EQ(textOf("pad_centre"), displayText(step.centre));
        }
    }

    // The gamepad section: its two key settings beside Start, the rest of the pad blank.
    ASSERT_TRUE(ui->click("menu_3"));
    ASSERT_TRUE(ui->waitUntil([&] { return panel().section() == 40; }));
    QQuickItem* up = ui->waitFor("pad_up");
    ASSERT_NE(up, nullptr);
    EXPECT_FALSE(up->isEnabled());
    EXPECT_EQ(up->property("text").toString(), "");
    EXPECT_EQ(textOf("pad_left"), displayText("gamepad settings 1"));
    EXPECT_EQ(textOf("pad_right"), displayText("gamepad settings 2"));
}

TEST_F(GuiRemote, PlayReachesTheComputerAndTheCentreThenShowsPause) {
    openRemoteTab();
    ASSERT_TRUE(ui->click("menu_1"));
    EXPECT_EQ(textOf("hintLine"), displayText("set music player"));
    ASSERT_TRUE(ui->click("pad_centre"));
    EXPECT_EQ(textOf("pad_centre"), displayText("pause"));
    ASSERT_TRUE(ui->waitUntil([&] { return !plugContents("3").empty(); }));
    EXPECT_EQ(plugContents("3").front(), json({{"c", "5"}}));

    ASSERT_TRUE(ui->click("pad_right"));
    ASSERT_TRUE(ui->waitUntil([&] { return plugContents("3").size() == 2; }));
    EXPECT_EQ(plugContents("3").back(), json({{"c", "4"}}));
    EXPECT_EQ(textOf("pad_centre"), displayText("pause"));

    // Built again, the section starts over at "play".
    ui->swipe(ui->find("sectionArea"), -200);
    ui->swipe(ui->find("sectionArea"), 200);
    ASSERT_TRUE(ui->waitUntil([&] { return panel().section() == 20; }));
    EXPECT_EQ(textOf("pad_centre"), displayText("play"));
}

TEST_F(GuiRemote, APresentationPickedOnTheComputerIsOpenedThereAndBackLeavesThePicker) {
    openRemoteTab();
    ASSERT_TRUE(ui->click("menu_2"));
    ASSERT_TRUE(ui->click("pad_up"));  // open a presentation
    ASSERT_NE(ui->waitFor("pickerBack"), nullptr);
    EXPECT_EQ(textOf("diskTitle"), displayText("PPT Select"));
    ASSERT_TRUE(ui->click("pickerBack"));
    ASSERT_NE(ui->waitFor("pad_up"), nullptr);

    ASSERT_TRUE(ui->click("pad_up"));
    ASSERT_TRUE(tapText(displayText("myDesktop")));
    ASSERT_TRUE(tapText("slides.pptx"));
    ASSERT_NE(ui->waitFor("pad_centre"), nullptr);
    ASSERT_TRUE(ui->waitUntil([&] { return !plugContents("4").empty(); }));
    const json opened = plugContents("4").front();
    EXPECT_EQ(opened.value("c", ""), "1");
    EXPECT_TRUE(opened.value("d", "").ends_with("\\slides.pptx")) << opened.dump();
}

TEST_F(GuiRemote, PowerCancelSendsNothingAndOkShowsTheSuccessTip) {
    openRemoteTab();
    ASSERT_TRUE(ui->click("shutdownTile"));
    EXPECT_EQ(app->overlay()->property("question").toString(), displayText("sure shutdown"));
    ASSERT_TRUE(ui->click("answer_0"));  // cancel
    EXPECT_EQ(ui->find("question"), nullptr);

    ASSERT_TRUE(ui->click("lockTile"));
    EXPECT_EQ(app->overlay()->property("question").toString(), displayText("sure lockScreen"));
    ASSERT_TRUE(ui->click("answer_1"));  // ok
    EXPECT_TRUE(
        ui->waitUntil([&] { return textOf("tipText") == displayText("lockscreen successful"); }));
    EXPECT_EQ(ui->find("progressOverlay"), nullptr);
    // The lock went out after the cancelled shutdown: had the shutdown gone, it came first.
    EXPECT_EQ(received(link::kLockScreen.code).size(), 1u);
    EXPECT_TRUE(received(link::kShutdown.code).empty());
}

TEST_F(GuiRemote, ACaptureIsShownStoredListedAndDeletedFromTheHistory) {
    openRemoteTab();
    ASSERT_TRUE(ui->click("captureTile"));
    QQuickItem* image = ui->waitFor("captureImage_0");
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(ui->waitUntil([&] { return image->property("status").toInt() == 1; }))
        << "the capture's picture did not load";
    ASSERT_TRUE(ui->waitUntil([&] { return panel().lastCapture().has_value(); }));
    const fs::path captured = *panel().lastCapture();
    ASSERT_TRUE(fs::is_regular_file(captured));
    EXPECT_EQ(captured.parent_path(), panel().controller()->screenCapDirectory());

    // Two older captures beside it; the history lists the three.
    for (const char* older : {"20240101090000.jpg", "20240202090000.jpg"}) {
        fs::copy_file(captured, captured.parent_path() / older);
    }
    ASSERT_TRUE(ui->click("viewAllButton"));
    ASSERT_NE(ui->waitFor("historyRow_2"), nullptr);
    EXPECT_EQ(ui->find("captureViewer"), nullptr);
    EXPECT_EQ(textOf("historyTitle"), displayText("screenshot history"));
    EXPECT_NE(ui->findText(QString::fromStdString(captured.filename().string())), nullptr);

    // Swiped open, the second row's delete removes that file and that row only.
    const QString doomed = textOf("historyName_1");
    ui->swipe(ui->find("historyRow_1"), -150);
    ASSERT_TRUE(ui->click("historyDelete_1"));
    ASSERT_TRUE(ui->waitUntil([&] { return ui->find("historyRow_2") == nullptr; }));
    EXPECT_FALSE(fs::exists(captured.parent_path() / doomed.toStdString()));
    EXPECT_EQ(ui->findText(doomed), nullptr);
    int left = 0;
    for (const auto& entry : fs::directory_iterator(captured.parent_path())) {
        left += entry.path().extension() == ".jpg";
    }
    EXPECT_EQ(left, 2);

    // A tap shows that row's capture; back returns to the panel.
    ASSERT_TRUE(ui->click("historyRow_0"));
    ASSERT_NE(ui->waitFor("captureImage_0"), nullptr);
    EXPECT_EQ(ui->find("viewAllButton"), nullptr);
    ASSERT_TRUE(ui->click("closeCapture"));
    ASSERT_TRUE(ui->click("historyBack"));
    EXPECT_NE(ui->waitFor("shutdownTile"), nullptr);
}

TEST_F(GuiRemote, TheHotspotListShowsThePeersDevicesUntilLeft) {
    openRemoteTab();
    ASSERT_TRUE(ui->click("hotspotButton"));
    ASSERT_NE(ui->waitFor("hotspotRow_2"), nullptr);
    EXPECT_EQ(textOf("hotspotTitle"), displayText("wifi connected device"));
    std::weak_ptr<WifiMgrVC> hotspot = panel().hotspot()->controller();
    EXPECT_TRUE(hotspot.lock()->polling());

    // The peer lists this phone, a laptop and a blocked tablet, in that order.
    EXPECT_EQ(textOf("hotspotName_0"), displayText("my equipment"));
    EXPECT_EQ(textOf("hotspotName_1"), "Study laptop");
    EXPECT_TRUE(textOf("hotspotSpeed_1").endsWith("KB/s"));
    EXPECT_EQ(textOf("hotspotName_2"), "Kitchen tablet");
    EXPECT_EQ(textOf("hotspotSpeed_2"), "");

    // The laptop's actions open with a swipe, and a chosen one closes them again.
    QQuickItem* laptop = ui->find("hotspotRow_1");
    ui->swipe(laptop, -220);
    ASSERT_TRUE(ui->waitUntil([&] { return hotspot.lock()->openActionsRow() == 1; }));
    EXPECT_EQ(textOf("hotspotAction_1_0"), displayText("limit"));
    EXPECT_EQ(textOf("hotspotAction_1_1"), displayText("block"));
    ASSERT_TRUE(ui->click("hotspotAction_1_0"));
    EXPECT_TRUE(ui->waitUntil([&] { return hotspot.lock()->openActionsRow() == -1; }));

    ASSERT_TRUE(ui->click("hotspotBack"));
    EXPECT_NE(ui->waitFor("shutdownTile"), nullptr);
    const auto alive = hotspot.lock();
    EXPECT_TRUE(alive == nullptr || !alive->polling());
}

}  // namespace
}  // namespace pd::gui
