// The backup screen without a computer: the library scan, the tabs, what an empty library or
// an empty pick says, the last-backup time, and the tab bar that presents the screen.

#include "controllers/BackFileViewController.h"

#include "app/MainTabBarViewController.h"
#include "core/Settings.h"
#include "model/ObjectStore.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace pd;
using namespace pd::test;

namespace {

struct RecordingView : BackFileView {
    std::vector<std::string> events;
    std::vector<BackupReport> reports;
    std::optional<std::vector<PhotoEntry>> browser;
    void setTitle(const std::string& key) override { events.push_back("title " + key); }
    void setStatus(const std::string& key) override { events.push_back("status " + key); }
    void setTimeLine(const std::string& text) override { events.push_back("time " + text); }
    void showProgress(const std::string& key) override { events.push_back("wait " + key); }
    void openPhotoBrowser(const std::vector<PhotoEntry>& photos) override { browser = photos; }
    void backupEnded(const BackupReport& r) override { reports.push_back(r); }
};

class BackFileViewControllerTest : public TempHome {
  protected:
    void SetUp() override {
        AuthCore::ShareInstance().resetForTests();
        std::filesystem::create_directories(home() / "Pictures");
    }
    void TearDown() override {
        screen.reset();
        AuthCore::ShareInstance().resetForTests();
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
    }
    BrowserServices services() {
        return {AuthCore::ShareInstance(), finished, [this](int n) { stats.push_back(n); }};
    }
    void open(std::function<BackFileViewController::Clock::time_point()> now = {}) {
        BackFileViewController::Options options;
        options.photoRoot = home() / "Pictures";
        options.now = std::move(now);
        screen = std::make_shared<BackFileViewController>(view, services(), nullptr, options);
        screen->viewDidLoad();
    }

    FinishedFileStore finished{ObjectStore::shared(), NotificationCenter::defaultCenter(),
                               [] { return std::string(); }};
    std::shared_ptr<RecordingView> view = std::make_shared<RecordingView>();
    std::shared_ptr<BackFileViewController> screen;
    std::vector<int> stats;
};

std::chrono::system_clock::time_point localTime(int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

}  // namespace

// An empty library finishes its scan when enumeration ends, so the select tab opens at once
// (without "looking for the photo"); a shake and an empty pick each say that nothing was sent.
TEST_F(BackFileViewControllerTest, AnEmptyLibraryAndAnEmptyPickSendNothing) {
    open();
    EXPECT_EQ(view->events,
              (std::vector<std::string>{"title backup", "status shake the iphone",
                                        "time " + Localized("last backup time never")}));
    ASSERT_TRUE(pumpMainUntil([&] { return screen->scanFinished(); }, std::chrono::seconds(2)));
    EXPECT_EQ(screen->curSelectItem(), BackFileViewController::kShakeTab);

    screen->selectTab(1);
    EXPECT_EQ(screen->curSelectItem(), BackFileViewController::kSelectTab);
    ASSERT_TRUE(view->browser.has_value());
    EXPECT_TRUE(view->browser->empty());
    EXPECT_EQ(std::count(view->events.begin(), view->events.end(), "wait looking for the photo"),
              0);
    screen->photoBrowserDidFinishModalPresentation();
    EXPECT_EQ(view->events.back(), "time " + Localized("no photos backup"));

    screen->motionBegan(MotionType::Shake);
    screen->motionEnded(MotionType::None);  // not a shake: ignored
    EXPECT_EQ(view->reports.size(), 1u);
    screen->motionEnded(MotionType::Shake);
    EXPECT_EQ(view->events.back(), "time " + Localized("successful backup photo/video") + " 0/0");
    ASSERT_EQ(view->reports.size(), 2u);
    EXPECT_TRUE(view->reports[0].nothingToSend && view->reports[1].nothingToSend);
    EXPECT_FALSE(AuthCore::ShareInstance().isPhotoBakRunning());
    EXPECT_EQ(stats, (std::vector<int>{50, 53, 51}));
}

// A shake reported through the process's motion events reaches a loaded screen.
TEST_F(BackFileViewControllerTest, MotionEventsReachTheLoadedScreen) {
    open();
    ASSERT_TRUE(pumpMainUntil([&] { return screen->scanFinished(); }));
    MotionEvents::shared().motionBegan(MotionType::Shake);
    MotionEvents::shared().motionEnded(MotionType::Shake);
    EXPECT_TRUE(pumpMainUntil([&] { return !view->reports.empty(); }));
}

// The last backup time is kept on the 12-hour clock, and shown when the screen opens again.
TEST_F(BackFileViewControllerTest, TheLastBackupTimeUsesTheTwelveHourClock) {
    struct Case {
        int hour, minute, second;
        const char* text;
    };
    const Case cases[] = {{0, 5, 9, "2024-03-05 12:05:09"},
                          {12, 0, 0, "2024-03-05 12:00:00"},
                          {14, 7, 9, "2024-03-05 02:07:09"},
                          {23, 59, 59, "2024-03-05 11:59:59"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(BackFileViewController::formatBackupTime(localTime(c.hour, c.minute, c.second)),
                  c.text);
    }
    open([] { return localTime(14, 7, 9); });
    screen->photoBackFinish(true);
    EXPECT_EQ(Settings::standard().lastPicBackTime(), "2024-03-05 02:07:09");
    EXPECT_EQ(view->events.back(), "status backup has stopped");
    view = std::make_shared<RecordingView>();
    open();
    EXPECT_EQ(view->events.back(),
              "time " + Localized("last backup time") + ":2024-03-05 02:07:09");
}

namespace {

struct TabsView : MainTabBarView {
    std::shared_ptr<RecordingView> backupView = std::make_shared<RecordingView>();
    int presented = 0;
    std::shared_ptr<BackFileView> presentBackup(
        const std::shared_ptr<BackFileViewController>&) override {
        ++presented;
        return backupView;
    }
};

}  // namespace

// Selecting the backup tab presents the backup screen, made and loaded once.
TEST_F(BackFileViewControllerTest, TheBackupTabPresentsTheScreen) {
    auto tabsView = std::make_shared<TabsView>();
    MainTabBarViewController tabs(tabsView, services());
    tabs.setPhotoRoot(home() / "Pictures");
    tabs.tabBarDidSelectItem(MainTabBarViewController::kBackupTag);
    ASSERT_TRUE(tabs.backup());
    auto first = tabs.backup();
    tabs.tabBarDidSelectItem(MainTabBarViewController::kBackupTag);
    EXPECT_EQ(tabs.backup(), first);
    EXPECT_EQ(tabsView->presented, 2);
    EXPECT_EQ(tabsView->backupView->events.front(), "title backup");
    EXPECT_EQ(stats, (std::vector<int>{10, 50, 10}));
    tabs.NetConnectClose();
    EXPECT_FALSE(tabs.backup());
}
