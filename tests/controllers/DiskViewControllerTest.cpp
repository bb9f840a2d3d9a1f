// The drive and class screen: the class menu, the root and class listings, opening folder
// screens in the right mode, and class removals, with a recording view.

#include "controllers/DiskViewController.h"

#include "BrowserTestSupport.h"

using namespace pd;
using namespace pd::test;
using namespace pd::test::browser;

namespace {

class DiskScreenTest : public BrowserTest {
  protected:
    void SetUp() override {
        BrowserTest::SetUp();
        view = std::make_shared<RecordingDiskView>();
        screen = std::make_shared<DiskViewController>(view, services());
    }
    void TearDown() override {
        screen.reset();
        BrowserTest::TearDown();
    }
    static std::vector<DirAndFileListData> rootRows() {
        return {row("C:", 2, 0, 0, "Local Disk"), row("D:", 3, 0, 0, "Data"),
                row("C:/Users/me/Desktop", 1, 0, 0, DiskViewController::kDesktopDesc),
                row("X:", 0, 0, 0, "odd")};
    }

    std::shared_ptr<RecordingDiskView> view;
    std::shared_ptr<DiskViewController> screen;
};

}  // namespace

// What reaches the computer is checked end to end by the terminal front-end's tests.
TEST_F(DiskScreenTest, RootAndClassListings) {
    screen->viewDidLoad();
    answerList({row("C:", 2, 0, 0, "System"),
                row("C:/Users/me/Desktop", 1, 0, 0, DiskViewController::kDesktopDesc)});
    EXPECT_EQ(view->events,
              (std::vector<std::string>{"title OFFICE-PC", "menu 5", "select 0",
                                        "progress inquiring", "hide progress", "add hidden",
                                        "rows 2", "list shown", "empty ", "top", "listed"}));
    const auto& rows = view->rows;
    EXPECT_EQ(std::tie(rows[0].label, rows[0].detail, rows[0].kind),
              std::make_tuple("C:", "System", BrowserRowKind::SystemDrive));
    EXPECT_TRUE(rows[0].swipeActions.empty());
    EXPECT_EQ(std::tie(rows[1].label, rows[1].detail, rows[1].kind),
              std::make_tuple(Localized("myDesktop"), "", BrowserRowKind::Desktop));

    // Pictures: the class listing, its folders by their last component.
    screen->selectMenu(1);
    answerList({row("D:/Photos", 1)});
    EXPECT_EQ(std::tie(rows[0].label, rows[0].path, rows[0].icon),
              std::make_tuple("Photos", "D:/Photos", "format_folder.png"));
    EXPECT_EQ(rows[0].swipeActions,
              std::vector<BrowserRowAction>{BrowserRowAction::DeleteFromClass});
    EXPECT_TRUE(view->saw("add shown"));

    // Removing it from the class lists the class again; now it is empty.
    view->clear();
    screen->deleteFromClass(0);
    screen->AuthCoreDelClassifySucess();
    answerList({});
    EXPECT_EQ(view->events, (std::vector<std::string>{"close swipe", "progress inquiring",
                                                      "hide progress", "add shown", "rows 0",
                                                      "list hidden", "empty tipPic", "listed"}));
    // menu computer, menu pictures, shown, swipe, delete chosen, re-listed, shown again
    EXPECT_EQ(stats, (std::vector<int>{13, 26, 30, 17, 31, 31, 30}));
}

TEST_F(DiskScreenTest, EachClassHasItsStatisticsAndEmptyPicture) {
    screen->viewDidLoad();
    answerList(rootRows());
    struct Expect {
        std::size_t menuIndex;
        int selected, shown;
        const char* picture;
    };
    for (const Expect& e : {Expect{1, 26, 30, "tipPic"}, Expect{2, 27, 35, "tipVideo"},
                            Expect{3, 28, 40, "tipMusic"}, Expect{4, 29, 45, "tipFolder"}}) {
        stats.clear();
        view->clear();
        screen->selectMenu(e.menuIndex);
        answerList({});
        EXPECT_EQ(stats, (std::vector<int>{e.selected, e.shown}));
        EXPECT_TRUE(view->saw(std::string("empty ") + e.picture));

        // The re-list after a removal has its own number.
        stats.clear();
        screen->AuthCoreDelClassifySucess();
        EXPECT_EQ(stats, (std::vector<int>{e.shown + 1}));
    }
    EXPECT_EQ(DiskViewController::classMenu(),
              (std::vector<ClassMenuEntry>{
                  {17, "computer"}, {16, "pic"}, {256, "video"}, {4096, "music"}, {1, "file"}}));
}

TEST_F(DiskScreenTest, TappingRowsOpensFolderScreensInTheRightMode) {
    screen->viewDidLoad();
    answerList(rootRows());
    // Failures only hide the busy indicator; the rows stay.
    view->clear();
    screen->selectMenu(0);
    screen->AuthCoreCheckUnkowError();
    screen->AuthCoreCheckError(0, "TAG");
    EXPECT_EQ(view->events,
              (std::vector<std::string>{"select 0", "progress inquiring", "hide progress",
                                        "listing failed", "hide progress", "listing refused"}));
    EXPECT_EQ(screen->diskListArr().size(), 4u);
    stats.clear();

    // The desktop has its own title and empty picture, and back closes it from any depth.
    auto desktop = screen->selectRow(2);
    ASSERT_TRUE(desktop);
    EXPECT_EQ(desktop->queryFullPath(), "C:/Users/me/Desktop/");
    auto desktopView = view->folderView;
    EXPECT_EQ(desktopView->events.front(), "title " + Localized("desktopFile"));
    answerList({row("Work", 1)});
    desktop->selectRow(0);
    answerList({});
    EXPECT_TRUE(desktopView->saw("empty EmptyDesk.png"));
    desktopView->clear();
    desktop->DoBack();
    EXPECT_EQ(desktopView->events, std::vector<std::string>{"close"});

    auto drive = screen->selectRow(0);
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->queryFullPath(), "C:/");
    EXPECT_EQ(drive->classifyID(), 0);
    EXPECT_EQ(view->folderView->events.front(), "title OFFICE-PC");
    // The folder screen answers the core controller until this screen appears again.
    EXPECT_EQ(core().delegate().get(), drive.get());
    screen->viewWillAppear();
    EXPECT_EQ(core().delegate().get(), screen.get());
    screen->selectRow(1);
    screen->selectRow(3);  // an entry kind without a statistic
    EXPECT_EQ(stats, (std::vector<int>{14, 25, 15, 16}));
    EXPECT_FALSE(screen->selectRow(9));

    // "Add other folder" under video goes back to the drives in class-filling mode.
    screen->selectMenu(2);
    answerList({});
    view->clear();
    screen->AddOtherFolderAction();
    EXPECT_EQ(view->events.front(), "select 0");
    answerList(rootRows());
    EXPECT_TRUE(view->saw("add hidden"));
    auto filling = screen->selectRow(0);
    EXPECT_EQ(filling->classifyID(), 256);
    // Loading the screen again ends the filling mode.
    screen->viewDidLoad();
    EXPECT_EQ(screen->nClassify(), 0);
}

TEST_F(DiskScreenTest, PresentationPickShowsOnlyPresentationsAndFolders) {
    std::vector<std::string> picked;
    screen->setPresentationPick([&](const std::string& path) { picked.push_back(path); });
    screen->viewDidLoad();
    EXPECT_EQ(view->events.front(), "title " + Localized("PPT Select"));
    answerList(rootRows());
    auto folder = screen->selectRow(0);
    ASSERT_TRUE(folder);
    answerList({row("x.doc", 0), row("Talks", 1)});
    ASSERT_EQ(view->folderView->rows.size(), 1u);
    EXPECT_EQ(view->folderView->rows[0].label, "Talks");
    folder->selectRow(0);
    answerList({row("Slides.PPTX", 0), row("a.ppt", 0), row("b.dls", 0), row("c.pdf", 0),
                row("old.ppt", 3)});
    ASSERT_EQ(folder->dirAndFileListArr().size(), 4u);
    EXPECT_EQ(folder->dirAndFileListArr()[3].name, "old.ppt");  // order kept
    folder->selectRow(0);
    EXPECT_EQ(picked, std::vector<std::string>{"C:/Talks/Slides.PPTX"});
    EXPECT_TRUE(downloader.calls.empty());
    EXPECT_FALSE(view->folderView->preview);
    // Closing the picker.
    view->clear();
    screen->DoBack();
    EXPECT_EQ(view->events, std::vector<std::string>{"close"});
}
