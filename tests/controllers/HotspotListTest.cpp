// The hotspot list against a scripted computer: rows by device kind, polling that stops when
// the screen is left, partial refreshes around an open row, and the new-device notice.

#include "BrowserTestSupport.h"

#include "controllers/WifiMgrVC.h"

namespace pd::test::browser {
namespace {

using namespace std::chrono_literals;

struct RecordingHotspotView : Recording<WifiMgrView> {
    std::vector<WifiRow> rows;

    void reloadAll(const std::vector<WifiRow>& r) override {
        rows = r;
        add("all " + std::to_string(r.size()));
    }
    void reloadRows(const std::vector<std::size_t>& indexes,
                    const std::vector<WifiRow>& r) override {
        rows = r;
        std::string text = "rows";
        for (std::size_t i : indexes) {
            text += " " + std::to_string(i);
        }
        add(text);
    }
    void closeSwipeActions(std::size_t row) override { add("close " + std::to_string(row)); }
    void newDeviceJoined(const std::string& model) override { add("new " + model); }
    void closeScreen() override { add("closed"); }
};

struct Device {
    std::string model, mac, speed;
    int connType;
};

std::string listAnswer(const std::vector<Device>& devices) {
    std::vector<Elem> items;
    for (const Device& d : devices) {
        items.push_back(
            A({R(d.model), R(d.mac), R(d.speed), I(60), I(1), I(d.connType), I(0), I(0), R("")}));
    }
    return pack({I(6000), I(0), A(items)});
}

WifiListItemData item(const Device& d) {
    WifiListItemData data;
    data.phoneModel = d.model;
    data.macAddress = d.mac;
    data.tranSpeed = d.speed;
    data.connType = d.connType;
    return data;
}

TEST(HotspotRows, EachKindOfDeviceShowsItsTextsAndActions) {
    EXPECT_EQ(WifiMgrVC::rowFor(item({"Laptop", "m1", "12.5", 0})),
              (WifiRow{"wifi_device", "Laptop", "12.5KB/s", {"limit", "block"}, 0}));
    EXPECT_EQ(WifiMgrVC::rowFor(item({"Tablet", "m2", "3.0", 1})),
              (WifiRow{"wifi_blocked", "Tablet", "", {"restore"}, 1}));
    EXPECT_EQ(WifiMgrVC::rowFor(item({"Phone", "m3", "0.5", 2})),
              (WifiRow{"wifi_device",
                       "This phone",
                       "0.5KB/s",
                       {"computer manager", "backup", "remote control"},
                       2}));
    EXPECT_EQ(WifiMgrVC::rowFor(item({"Odd", "m4", "1", 7})).actions.size(), 0u);
    WifiListItemData unreadable = item({"", "m5", "1", 0});
    unreadable.phoneModel.reset();  // bytes that were not UTF-8
    EXPECT_EQ(WifiMgrVC::rowFor(unreadable).name, "");
}

class HotspotListTest : public BrowserTest {
  protected:
    void SetUp() override {
        BrowserTest::SetUp();
        WifiMgrVC::resetSeenDevicesForTests();
    }
    // The next poll, answered with `devices`; waits until the screen took the answer.
    void answerPoll(const std::vector<Device>& devices) {
        ASSERT_EQ(nextRequest(pc), "40: 6000");
        const std::size_t seen = view->events.size();
        pc.sendMessage(1040, listAnswer(devices));
        ASSERT_TRUE(pumpMainUntil([&] { return view->events.size() > seen; }));
    }

    ScriptedComputer pc;
    std::shared_ptr<RecordingHotspotView> view = std::make_shared<RecordingHotspotView>();
};

TEST_F(HotspotListTest, RefreshesAroundAnOpenRowAndStopsPollingWhenLeft) {
    link(pc);
    auto screen = std::make_shared<WifiMgrVC>(view, core(), 20ms);
    screen->viewDidLoad();
    const Device phone{"Phone", "02:02", "1.0", 2};
    const Device laptop{"Laptop", "02:03", "12.5", 0};
    const Device tablet{"Tablet", "02:04", "0.0", 1};
    answerPoll({phone, laptop, tablet});
    EXPECT_EQ(view->events, (std::vector<std::string>{"all 3"}));
    EXPECT_EQ(view->rows.at(1).speed, "12.5KB/s");

    // With row 1's actions open, the others refresh and row 1 keeps its state.
    screen->swipeStateChanged(1, true);
    answerPoll({phone, laptop, tablet});
    EXPECT_EQ(view->events.back(), "rows 0 2");
    screen->didTriggerRightUtilityButton(1, 2);  // a shortcut: nothing
    screen->didTriggerRightUtilityButton(1, 0);
    EXPECT_EQ(view->events.back(), "close 1");
    // A device joins: the rows move, so everything reloads and no row counts as open; the new
    // device is announced once (the first list was the baseline).
    const Device visitor{"Visitor", "02:05", "7.0", 0};
    answerPoll({phone, visitor, laptop, tablet});
    EXPECT_EQ(view->events.at(view->events.size() - 2), "new Visitor");
    EXPECT_EQ(view->events.back(), "all 4");
    EXPECT_EQ(screen->openActionsRow(), -1);
    answerPoll({phone, laptop, tablet});
    answerPoll({phone, visitor, laptop, tablet});
    EXPECT_EQ(std::ranges::count(view->events, std::string("new Visitor")), 1);

    // Leaving stops the poll: the next message the computer sees is the fence request.
    screen->DoBack();
    EXPECT_EQ(view->events.back(), "closed");
    EXPECT_FALSE(screen->polling());
    MainQueue::shared().runFor(60ms);
    while (auto frame = pc.readMessage(50ms)) {
        ASSERT_EQ(describe(*frame), "40: 6000");  // at most a poll already on its way
    }
    core().RemoteCaptureScreen();
    MainQueue::shared().runFor(60ms);
    EXPECT_EQ(nextRequest(pc), "23: 1002");
}

}  // namespace
}  // namespace pd::test::browser
