// The folder screen: navigation, rows, per-entry actions, the photo viewer and preview
// downloads, with a recording view and a recording download service. Presentation picks are
// tested with the drive screen that starts them.

#include "controllers/FileViewController.h"

#include "BrowserTestSupport.h"
#include "NetWork/DownloadPaths.h"

#include <fstream>
#include <limits>
#include <thread>

using namespace pd;
using namespace pd::test;
using namespace pd::test::browser;

namespace {

// FILETIME of a moment given as seconds since 1970.
std::uint64_t fileTimeOf(std::int64_t unixSeconds) {
    return static_cast<std::uint64_t>(unixSeconds + 11'644'473'600LL) * 10'000'000ULL;
}

class FolderScreenTest : public BrowserTest {
  protected:
    void TearDown() override {
        screens.clear();
        BrowserTest::TearDown();
    }
    // A folder screen on `path`, loaded, with its listing request made.
    std::shared_ptr<FileViewController> open(const std::string& path, int classify = 0) {
        FileViewController::Options options;
        options.queryPath = path;
        options.classifyID = classify;
        auto screen = std::make_shared<FileViewController>(std::move(options), services());
        views.push_back(std::make_shared<RecordingFileView>());
        screen->setView(views.back());
        screen->viewDidLoad();
        screens.push_back(screen);
        return screen;
    }
    RecordingFileView& view() { return *views.back(); }
    RecordingQuickLookView& previewView() { return *view().previewView; }

    std::vector<std::shared_ptr<RecordingFileView>> views;
    std::vector<std::shared_ptr<FileViewController>> screens;
};

}  // namespace

TEST_F(FolderScreenTest, WalksIntoFoldersAndBackToTheDriveScreen) {
    auto screen = open("C:");
    EXPECT_EQ(view().events,
              (std::vector<std::string>{"title OFFICE-PC", "path C:/", "progress inquiring"}));
    EXPECT_EQ(core().queryPath, "C:/");
    const std::uint64_t noon = fileTimeOf(1592222400);  // 2020-06-15 12:00 UTC
    view().clear();
    answerList({row("Music", 1, 0, noon), row("notes.txt", 0, 1536, noon), row("odd", 5)});
    EXPECT_EQ(view().events, (std::vector<std::string>{"hide progress", "rows 3", "empty ",
                                                       "list shown", "top", "listed"}));
    ASSERT_EQ(view().rows.size(), 3u);
    const BrowserRow& folder = view().rows[0];
    EXPECT_EQ(folder.icon, "format_folder.png");
    EXPECT_EQ(folder.swipeActions, std::vector<BrowserRowAction>{BrowserRowAction::More});
    EXPECT_EQ(folder.timeText.substr(0, 10), "2020-06-15");
    const BrowserRow& file = view().rows[1];
    EXPECT_EQ(file.icon, "format_text.png");
    EXPECT_EQ(file.sizeText, "1.50KB");
    EXPECT_EQ(file.swipeActions,
              (std::vector<BrowserRowAction>{BrowserRowAction::More, BrowserRowAction::Download}));
    EXPECT_EQ(view().rows[2].icon, "");
    EXPECT_TRUE(view().rows[2].swipeActions.empty());

    // A failed listing keeps the rows and the new path.
    view().clear();
    screen->selectRow(0);
    screen->AuthCoreCheckUnkowError();
    EXPECT_EQ(view().events,
              (std::vector<std::string>{"path C:/Music/", "progress inquiring", "hide progress",
                                        tipEvent("operation failed"), "listing failed"}));
    EXPECT_EQ(screen->dirAndFileListArr().size(), 3u);

    // Empty folder: the empty picture instead of the list.
    answerList({});
    EXPECT_TRUE(view().saw("list hidden"));
    EXPECT_TRUE(view().saw("empty EmptyDir.png"));

    view().clear();
    screen->DoBack();
    screen->DoBack();
    EXPECT_EQ(view().events,
              (std::vector<std::string>{"path C:/", "progress inquiring", "path ", "close"}));
    EXPECT_EQ(stats, std::vector<int>{25});
}

TEST_F(FolderScreenTest, DownloadPhotoAndClassPaths) {
    ScriptedComputer pc;
    link(pc);
    auto screen = open("C:/Music");
    EXPECT_EQ(nextRequest(pc), "1: 266 \"C:/Music/\"");
    answerList({row("a.mp3", 0, 4096), row("b.jpg", 0, 10), row("Sub", 1), row("c.png", 0, 20),
                row("d.jpg", 1), row("..", 0, 1)});

    // Download: the path doubles the separator, the size is the row's.
    view().clear();
    screen->downloadRow(0);
    ASSERT_EQ(downloader.calls.size(), 1u);
    const KeptDownloadPaths paths = *keptDownloadPaths("C:/Music//a.mp3", "TAG");
    EXPECT_EQ(downloader.calls[0], "kept C:/Music//a.mp3 -> " + paths.destination + " " +
                                       core().CreateHttpUrl("C:/Music//a.mp3") + " 4096");
    screen->downloadRow(2);  // folders are not downloaded
    screen->downloadRow(5);  // no name to save it under
    EXPECT_EQ(downloader.calls.size(), 1u);
    EXPECT_EQ(view().events,
              (std::vector<std::string>{
                  tipEvent("joined the download queue"), "queued C:/Music//a.mp3", "close swipe",
                  tipEvent("operation failed"), "unusable C:/Music//..", "close swipe"}));

    // The photo viewer: the picture files of the folder, opened at the tapped one.
    screen->selectRow(3);
    EXPECT_TRUE(view().saw("photos 2 at 1"));
    ASSERT_EQ(view().photos.size(), 2u);
    EXPECT_EQ(view().photos[0].computerPath, "C:/Music//b.jpg");
    EXPECT_EQ(view().photos[1].url, core().CreateHttpUrl("C:/Music//c.png"));

    // More on a file: its folder goes to the chosen class, without a doubled separator.
    view().clear();
    screen->moreRow(0);
    EXPECT_EQ(view().events,
              (std::vector<std::string>{"ask :cancel|commonly used Picture|commonly used Video|"
                                        "commonly used Music|commonly used Files",
                                        "close swipe"}));
    view().answer(1);
    EXPECT_EQ(nextRequest(pc), "31: 3001 \"C:/Music\" 16");
    pc.sendMessage(1031, pack({I(3001), I(0)}));
    ASSERT_TRUE(pumpMainUntil([&] { return view().saw(tipEvent("added")); }));

    // More on a folder: the folder itself; cancel sends nothing.
    screen->moreRow(2);
    view().answer(0);
    screen->moreRow(2);
    view().answer(4);
    EXPECT_EQ(nextRequest(pc), "31: 3001 \"C:/Music/Sub\" 1");
    // download twice, tap, more, Picture, more, more, Files
    EXPECT_EQ(stats, (std::vector<int>{18, 18, 25, 20, 21, 20, 20, 24}));

    // Without a link the download cannot start, and is not reported as queued.
    core().ResetServer();
    view().clear();
    screen->downloadRow(0);
    EXPECT_EQ(downloader.calls.size(), 1u);
    EXPECT_EQ(view().events, (std::vector<std::string>{tipEvent("operation failed"),
                                                       "refused C:/Music//a.mp3", "close swipe"}));
}

TEST_F(FolderScreenTest, ClassFillingModeTogglesMembership) {
    ScriptedComputer pc;
    link(pc);
    auto screen = open("D:", 4096);
    ASSERT_TRUE(pc.readMessage());
    answerList({row("Songs", 1), row("x.mp3", 0, 1)});
    for (const BrowserRow& r : view().rows) {
        EXPECT_TRUE(r.hasClassToggle);
        EXPECT_FALSE(r.classToggleOn);
        EXPECT_TRUE(r.swipeActions.empty());
    }
    view().clear();
    screen->favBnClick(0);
    EXPECT_EQ(nextRequest(pc), "31: 3001 \"D:/Songs\" 4096");
    pc.sendMessage(1031, pack({I(3001), I(0)}));
    ASSERT_TRUE(pumpMainUntil([&] { return view().saw("class added"); }));
    EXPECT_TRUE(screen->rows()[0].classToggleOn);
    screen->favBnClick(0);
    EXPECT_EQ(nextRequest(pc), "32: 3002 \"D:/Songs\" 4096");
    pc.sendMessage(1032, pack({I(3002), I(0)}));
    ASSERT_TRUE(pumpMainUntil([&] { return view().saw("class removed"); }));

    // A file's toggle names the folder that holds it; a refusal is reported as the end of the
    // class change, not of a listing.
    screen->favBnClick(1);
    EXPECT_EQ(nextRequest(pc), "31: 3001 \"D:\" 4096");
    pc.sendMessage(1031, pack({I(3001), I(9)}));
    ASSERT_TRUE(pumpMainUntil([&] { return view().saw("class failed"); }));
    EXPECT_EQ(view().events, (std::vector<std::string>{
                                 "toggle 0 on", tipEvent("added"), "class added", "toggle 0 off",
                                 tipEvent("canceled"), "class removed", "toggle 1 on",
                                 "hide progress", tipEvent("operation failed"), "class failed"}));
}

TEST_F(FolderScreenTest, PreviewDownloadsPausesWhenLeftAndIsServedFromTheCache) {
    ScriptedComputer pc;
    link(pc);
    auto screen = open("C:/Docs");
    ASSERT_TRUE(pc.readMessage());
    answerList({row("report.doc", 0, 100)});
    const std::string cachePath = previewPath("C:/Docs//report.doc", "TAG", 100, 0);
    EXPECT_EQ(cachePath.rfind(screen->cacheDirectory() + "/", 0), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(screen->cacheDirectory()));
    const std::string url = core().CreateHttpUrl("C:/Docs//report.doc");

    // Left before its download started: paused when it starts.
    screen->selectRow(0);
    view().preview->DoBack();
    EXPECT_EQ(downloader.calls, std::vector<std::string>{"preview " + cachePath + " " + url});
    screen->HttpDownStart(url);
    EXPECT_EQ(downloader.calls.back(), "stop preview " + url);

    // Next tap: the preview screen loads and asks for the file again.
    screen->selectRow(0);
    EXPECT_EQ(previewView().events,
              (std::vector<std::string>{"title report.doc", "icon format_word_l.png",
                                        "progress 0.000000", "loading hard loading"}));
    EXPECT_EQ(downloader.calls.size(), 3u);
    screen->HttpDownStart(url);
    std::thread([&] { screen->HttpDownProgress(0.5f); }).join();
    ASSERT_TRUE(pumpMainUntil([&] { return previewView().saw("progress 0.500000"); }));
    // Leaving before the end pauses the download.
    view().preview->DoBack();
    EXPECT_EQ(downloader.calls.back(), "stop preview " + url);
    EXPECT_EQ(previewView().events.back(), "close");

    // A failed download says so on the preview, which stays until the user leaves it.
    screen->selectRow(0);
    view().clear();
    screen->HttpDownError("HTTP 404");
    EXPECT_EQ(previewView().events.back(), tipEvent("operation failed"));
    EXPECT_FALSE(previewView().saw("close"));
    EXPECT_TRUE(view().events.empty());
    view().preview->DoBack();

    // Downloads again, to the end this time.
    screen->selectRow(0);
    EXPECT_EQ(downloader.calls.size(), 6u);
    std::ofstream(cachePath) << "the report";
    screen->HttpDownStart(url);
    screen->HttpDownProgress(1.0f);
    ASSERT_TRUE(pumpMainUntil([&] { return previewView().saw("open " + cachePath); }));
    view().preview->DoBack();
    EXPECT_EQ(downloader.calls.size(), 6u);  // a finished preview is not stopped

    // Then shown from the cache without a download.
    screen->selectRow(0);
    EXPECT_EQ(downloader.calls.size(), 6u);
    EXPECT_TRUE(previewView().saw("open " + cachePath));

    // A different file of the same name in another folder is fetched, not shown in its place.
    auto other = open("D:/Old");
    ASSERT_TRUE(pc.readMessage());
    answerList({row("report.doc", 0, 5)});
    other->selectRow(0);
    EXPECT_EQ(downloader.calls.back(), "preview " + previewPath("D:/Old//report.doc", "TAG", 5, 0) +
                                           " " + core().CreateHttpUrl("D:/Old//report.doc"));
    EXPECT_FALSE(previewView().saw("open " + cachePath));

    // The preview offers copy only.
    using Action = QuickLookViewController::EditAction;
    EXPECT_TRUE(QuickLookViewController::canPerformAction(Action::Copy));
    EXPECT_FALSE(QuickLookViewController::canPerformAction(Action::Cut));
    EXPECT_FALSE(QuickLookViewController::canPerformAction(Action::SelectAll));
}

TEST_F(FolderScreenTest, FileTimesBeforeNineteenSeventyOrPastTheCalendarShowNothing) {
    for (std::uint64_t t :
         {std::uint64_t{0}, fileTimeOf(-1), std::uint64_t{1},
          std::numeric_limits<std::uint64_t>::max(), fileTimeOf(253402300800LL + 86400 * 2)}) {
        EXPECT_EQ(FileViewController::FileTimeToUTC(t), "") << t;
    }
    EXPECT_NE(FileViewController::FileTimeToUTC(fileTimeOf(86400)), "");
}
