// The download list: size texts, week groups, the running tab's refresh and controls, and the
// finished tab's groups, preview and deletion, with a recording view.

#include "controllers/FileDownViewController.h"

#include "BrowserTestSupport.h"
#include "model/ObjectStore.h"

#include <ctime>
#include <fstream>

using namespace pd;
using namespace pd::test;
using namespace pd::test::browser;

namespace {

using Clock = std::chrono::system_clock;

// Noon, local time, of a calendar day.
Clock::time_point localNoon(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    return Clock::from_time_t(std::mktime(&tm));
}

std::shared_ptr<HttpDownTaskData> task(const std::string& destination, const std::string& url,
                                       const std::string& computerPath, float progress,
                                       std::uint64_t size) {
    auto record = std::make_shared<HttpDownTaskData>(destination, url, computerPath);
    record->progress = progress;
    record->fileSize = size;
    return record;
}

class DownloadListTest : public BrowserTest {
  protected:
    void TearDown() override {
        screen.reset();
        BrowserTest::TearDown();
    }
    void openScreen(std::chrono::milliseconds refresh = std::chrono::hours(1)) {
        view = std::make_shared<RecordingDownloadListView>();
        FileDownViewController::Sources sources;
        sources.httpDownListArr = [this] { return records; };
        sources.refreshInterval = refresh;
        screen = std::make_shared<FileDownViewController>(view, services(), sources);
        screen->viewDidLoad();
    }
    // A finished file of `tag` on disk (unless `onDisk` is false) with its record.
    std::string finished(const std::string& name, Clock::time_point when, bool onDisk = true,
                         const std::string& tag = "TAG") {
        const std::string path = (home() / name).string();
        if (onDisk) {
            std::ofstream(path) << "bytes";
        }
        FileDownList record;
        record.fileName = name;
        record.filePath = path;
        record.downTime = ObjectStore::dateValue(when);
        record.fileSize = 5;
        record.deviceTag = tag;
        record.formatTime = FinishedFileStore::FormatTime(when);
        ObjectStore::shared().insert(std::move(record));
        EXPECT_TRUE(ObjectStore::shared().saveContext());
        return path;
    }

    FileDownViewController::TaskRecords records;
    std::shared_ptr<RecordingDownloadListView> view;
    std::shared_ptr<FileDownViewController> screen;
};

}  // namespace

TEST(DownloadListTexts, SizesInTheirUnits) {
    EXPECT_EQ(FileDownViewController::FileSizeOpti(0), "0Byte");
    EXPECT_EQ(FileDownViewController::FileSizeOpti(1023), "1023Byte");
    EXPECT_EQ(FileDownViewController::FileSizeOpti(1024), "1.00KB");
    EXPECT_EQ(FileDownViewController::FileSizeOpti(1048575), "1024.00KB");
    EXPECT_EQ(FileDownViewController::FileSizeOpti(1048576), "1.00MB");
    EXPECT_EQ(FileDownViewController::FileSizeOpti(1073741824), "1.00GB");
    EXPECT_EQ(FileDownViewController::FileSizeOpti(5ULL << 40), "5120.00GB");
}

TEST(DownloadListTexts, WeeksAreIsoWeeksAlsoAroundNewYear) {
    using V = FileDownViewController;
    // Wednesday 2021-06-16: Monday of that week and the Sunday before it.
    EXPECT_EQ(V::friendlyTime(localNoon(2021, 6, 14), localNoon(2021, 6, 16)), V::kThisWeek);
    EXPECT_EQ(V::friendlyTime(localNoon(2021, 6, 13), localNoon(2021, 6, 16)), V::kEarlier);
    // Same week number a year apart.
    EXPECT_EQ(V::friendlyTime(localNoon(2020, 6, 17), localNoon(2021, 6, 16)), V::kEarlier);
    // Thursday 2020-12-31 and Friday 2021-01-01 share week 53 of 2020.
    EXPECT_EQ(V::friendlyTime(localNoon(2020, 12, 31), localNoon(2021, 1, 1)), V::kThisWeek);
    // Monday 2024-12-30 is in week 1 of 2025.
    EXPECT_EQ(V::friendlyTime(localNoon(2024, 12, 30), localNoon(2025, 1, 2)), V::kThisWeek);
    // Sunday 2023-01-01 ends a 2022 week; Monday 2023-01-02 starts the next.
    EXPECT_EQ(V::friendlyTime(localNoon(2023, 1, 1), localNoon(2023, 1, 2)), V::kEarlier);
}

TEST_F(DownloadListTest, RunningTabRefreshesAndDropsFinishedRowsByTheirLink) {
    const std::string folder = home().string() + "/DownFiles/1a2b/";
    records = {task(folder + "a+b.txt", "http://u/1", "C:/x/a+b.txt", 0, 0),
               task(folder + "song.ogg", "http://u/2", "C:/x/song.ogg", 0.25f, 2048),
               task(folder + "film%20one.mkv", "http://u/3", "C:/x/film one.mkv", 0, 0)};
    openScreen(std::chrono::milliseconds(5));  // the main queue runs only at the end
    EXPECT_EQ(view->events, (std::vector<std::string>{"title " + Localized("transfer tasks"),
                                                      "tabs downloaded|downloading", "tab 1",
                                                      "table shown", "empty ", "running 3"}));
    EXPECT_EQ(stats, std::vector<int>{92});
    ASSERT_EQ(view->running.size(), 3u);
    EXPECT_EQ(view->running[0].fileName, "a+b.txt");  // names are not decoded
    EXPECT_EQ(view->running[2].fileName, "film%20one.mkv");
    EXPECT_EQ(view->running[1].icon, "format_music.png");
    EXPECT_EQ(view->running[1].progressText, "512Byte/2.00KB");
    EXPECT_EQ(view->running[0].bnStatus, 1);

    // The first and the last finish: both leave, whatever their positions were.
    records[0]->progress = 1.0f;
    records[0]->fileSize = 10;
    records[1]->progress = 0.5f;
    records[2]->progress = 1.0f;
    records[2]->fileSize = 20;
    view->clear();
    screen->getDownListTimer();
    EXPECT_EQ(view->events,
              (std::vector<std::string>{"bar 0 1.000000", "text 0 10Byte/10Byte", "bar 1 0.500000",
                                        "text 1 1.00KB/2.00KB", "bar 2 1.000000",
                                        "text 2 20Byte/20Byte", "running 1"}));
    EXPECT_EQ(view->running.at(0).url, "http://u/2");

    // HTTPDOWNOP renews the service's records but not the rows.
    records.push_back(task(folder + "new.bin", "http://u/4", "C:/x/new.bin", 0, 0));
    NotificationCenter::defaultCenter().postNow(kHttpDownOpNotification);
    EXPECT_EQ(screen->copyHttpDownListArr().size(), 4u);
    EXPECT_EQ(screen->taskListObjArr().size(), 1u);

    // The finished tab does not refresh.
    screen->selectTab(0);
    view->clear();
    screen->getDownListTimer();
    EXPECT_TRUE(view->events.empty());

    // The running tab's timer refreshes on its own until the tab is empty.
    screen->selectTab(1);
    for (auto& r : records)
        r->progress = 1.0f;
    ASSERT_TRUE(pumpMainUntil([&] { return screen->taskListObjArr().empty(); }));
    EXPECT_EQ(view->events.back(), "empty EmptyDownloading.png");
}

TEST_F(DownloadListTest, PauseAndResumeARow) {
    ScriptedComputer pc;
    link(pc);
    records = {task("/d/a.bin", "http://u/1", "C:/x/a.bin", 0.1f, 5000)};
    openScreen();
    view->clear();
    screen->downControlAction(0);
    EXPECT_EQ(downloader.calls, std::vector<std::string>{"pause http://u/1"});
    EXPECT_EQ(view->events, std::vector<std::string>{"status 0 2"});
    // A reload keeps the paused row paused.
    screen->selectTab(1);
    EXPECT_EQ(view->running.at(0).bnStatus, 2);

    screen->downControlAction(0);
    ASSERT_EQ(downloader.calls.size(), 2u);
    EXPECT_EQ(downloader.calls[1].rfind("kept C:/x/a.bin -> ", 0), 0u) << downloader.calls[1];
    EXPECT_EQ(view->events.back(), "status 0 1");

    // Without a link the resume is refused and the row stays paused.
    screen->downControlAction(0);
    core().ResetServer();
    view->clear();
    screen->downControlAction(0);
    EXPECT_EQ(view->events, (std::vector<std::string>{tipEvent("operation failed"), "status 0 2"}));
}

TEST_F(DownloadListTest, FinishedFilesAreGroupedCollapsedOpenedAndDeleted) {
    const auto now = Clock::now();
    const std::string recent = finished("recent.pdf", now);
    const std::string old = finished("old.zip", now - std::chrono::hours(24 * 30), false);
    finished("elsewhere.txt", now, true, "OTHER");  // another computer's file
    openScreen();
    EXPECT_EQ(view->events, (std::vector<std::string>{"title " + Localized("transfer tasks"),
                                                      "tabs downloaded|downloading", "tab 0",
                                                      "finished 1+1", "empty ", "table shown"}));
    EXPECT_EQ(stats, std::vector<int>{90});
    ASSERT_EQ(view->finished.size(), 2u);
    EXPECT_EQ(view->finished[0].headerKey, "this week");
    EXPECT_EQ(view->finished[1].headerKey, "earlier");
    EXPECT_EQ(view->finished[0].rows[0].fileName, "recent.pdf");
    EXPECT_EQ(view->finished[0].rows[0].icon, "format_pdf.png");
    EXPECT_EQ(view->finished[1].rows[0].formatTime,
              FinishedFileStore::FormatTime(now - std::chrono::hours(24 * 30)));

    // Collapsing a group hides its rows until it is expanded again.
    screen->expandButtonClicked(0);
    EXPECT_TRUE(view->finished[0].collapsed);
    EXPECT_TRUE(view->finished[0].rows.empty());
    EXPECT_FALSE(screen->selectFinishedRow(0, 0));
    screen->expandButtonClicked(0);
    EXPECT_EQ(view->finished[0].rows.size(), 1u);

    // Opening a finished file shows it as fully loaded.
    ASSERT_TRUE(screen->selectFinishedRow(0, 0));
    EXPECT_TRUE(view->previewView->saw("open " + recent));

    // Delete: asked first; cancel keeps everything.
    stats.clear();
    screen->deleteFinishedRow(0, 0);
    EXPECT_EQ(view->events.back(), "ask :delete the file|cancel");
    view->answer(1);
    EXPECT_TRUE(std::filesystem::exists(recent));
    screen->deleteFinishedRow(0, 0);
    view->answer(0);
    EXPECT_FALSE(std::filesystem::exists(recent));
    EXPECT_EQ(view->finished[0].rows.size(), 0u);
    EXPECT_EQ(finishedStore.QueryFinishTaskFromDB(core().deviceTag).size(), 1u);
    EXPECT_EQ(stats, (std::vector<int>{94, 94}));

    // A file that cannot be removed keeps its record.
    std::filesystem::create_directories(old + "/inside");  // a folder with content
    screen->deleteFinishedRow(1, 0);
    view->answer(0);
    EXPECT_EQ(finishedStore.QueryFinishTaskFromDB(core().deviceTag).size(), 1u);
    EXPECT_EQ(view->finished[1].rows.size(), 1u);

    // A file already gone from disk: deleting it removes its record, and the tab is empty.
    std::filesystem::remove_all(old);
    view->clear();
    screen->deleteFinishedRow(1, 0);
    view->answer(0);
    EXPECT_TRUE(finishedStore.QueryFinishTaskFromDB(core().deviceTag).empty());
    EXPECT_EQ(view->events,
              (std::vector<std::string>{"ask :delete the file|cancel", "finished 0+0", "empty ",
                                        "table hidden", "empty EmptyDownloaded.png"}));
    view->clear();
    screen->DoBack();
    EXPECT_EQ(view->events, std::vector<std::string>{"close"});
}

TEST_F(DownloadListTest, EveryEndedDownloadIsReportedWithItsComputerPath) {
    openScreen();
    auto& center = NotificationCenter::defaultCenter();
    center.postNow(kHttpTaskFailureNotification, {{"request", std::string("http://u")},
                                                  {"filePath", std::string("/p/a.bin")},
                                                  {"remotePath", std::string("C:/a.bin")},
                                                  {"fileSize", std::int64_t{9}},
                                                  {"error", std::string("cut")}});
    // A file already whole on the phone names no link.
    center.postNow(kHttpTaskSuccessNotification, {{"path", std::string("/p/b.bin")},
                                                  {"remotePath", std::string("C:/b.bin")},
                                                  {"fileSize", std::int64_t{3}}});
    ASSERT_EQ(view->ended.size(), 2u);
    EXPECT_EQ(view->ended[0], (DownloadEnd{"C:/a.bin", "/p/a.bin", "http://u", false, 9, "cut"}));
    EXPECT_EQ(view->ended[1], (DownloadEnd{"C:/b.bin", "/p/b.bin", "", true, 3, ""}));
}
