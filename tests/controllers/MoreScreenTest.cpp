// The More and About screens with recording views: rows and their statistics, the phone-file
// switch, the cache size measured in the background and the clearing of the cache.

#include "controllers/AboutViewController.h"
#include "controllers/MoreTableViewController.h"

#include "BrowserTestSupport.h"
#include "core/Settings.h"
#include "platform/ToolPackage.h"
#include "platform/UserDefaults.h"

#include <deque>
#include <fstream>

using namespace pd;
using namespace pd::test;
using namespace pd::test::browser;
namespace fs = std::filesystem;

namespace {

struct RecordingMoreView : Recording<MoreView> {
    std::vector<MoreRow> rows;
    std::shared_ptr<AboutViewController> about;

    void setTitle(const std::string& key) override { add("title " + key); }
    void setRows(const std::vector<MoreRow>& r) override { rows = r; }
    void setCacheSize(const std::string& text, std::uint64_t) override { add("size " + text); }
    void setPhoneFilesSwitch(bool on) override { add(on ? "switch on" : "switch off"); }
    void showTextTip(const std::string& text, std::chrono::milliseconds d) override {
        add("tip " + text + " " + std::to_string(d.count()));
    }
    void cacheCleared(CacheClearOutcome o, std::uint64_t freed) override {
        add(std::array{"cleared ", "nothing to clear ", "clear failed "}[static_cast<int>(o)] +
            std::to_string(freed));
    }
    std::shared_ptr<AboutView> presentAbout(
        const std::shared_ptr<AboutViewController>& s) override {
        about = s;
        add("about");
        return nullptr;
    }
    void presentFeedback() override { add("feedback"); }
    void openUrl(const std::string& url) override { add("open " + url); }
    void closeScreen() override { add("close"); }
};

struct RecordingNavigator : Navigator {
    int returns = 0;
    void returnToServerList() override { ++returns; }
};

// A background queue whose tasks run when the test says, so that it decides what comes first.
struct HeldQueue : DispatchQueue {
    std::deque<Task> tasks;
    void async(Task t) override { tasks.push_back(std::move(t)); }
    void after(std::chrono::milliseconds, Task t) override { async(std::move(t)); }
    const std::string& label() const override { return name; }
    void runNext() {
        Task t = std::move(tasks.front());
        tasks.pop_front();
        t();
    }
    std::string name = "held";
};

void writeBytes(const fs::path& file, std::size_t bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << std::string(bytes, 'x');
}

class MoreScreenTest : public TempHome {
  protected:
    void SetUp() override {
        defaults = std::make_unique<UserDefaults>(home() / "defaults.json");
        cache = home() / "tmp" / "Cache";
        screen = make(nullptr);
    }
    std::shared_ptr<MoreTableViewController> make(DispatchQueue* background) {
        MoreTableViewController::Services services{*defaults, cache.string(), background,
                                                   [this](int b) { stats.push_back(b); },
                                                   &navigator};
        return std::make_shared<MoreTableViewController>(view, services);
    }
    void measure() {
        screen->viewWillAppear();
        ASSERT_TRUE(pumpMainUntil([&] { return !screen->isMeasuring(); }));
    }
    void clear() {
        screen->didSelectRow(MoreTableViewController::kClearCacheTag);
        ASSERT_TRUE(pumpMainUntil([&] { return !screen->isClearing(); }));
        MainQueue::shared().runFor(std::chrono::milliseconds(5));
    }

    std::shared_ptr<RecordingMoreView> view = std::make_shared<RecordingMoreView>();
    std::unique_ptr<UserDefaults> defaults;
    RecordingNavigator navigator;
    std::vector<int> stats;
    fs::path cache;
    std::shared_ptr<MoreTableViewController> screen;
};

}  // namespace

TEST_F(MoreScreenTest, ShowsItsRowsAndEachRowSubmitsItsStatistic) {
    screen->viewDidLoad();
    screen->viewWillAppear();
    EXPECT_EQ(stats, std::vector<int>{12});
    EXPECT_EQ(view->events[0], "title more");
    EXPECT_EQ(view->events[1], "size 0 MB");
    // The hotspot and rating rows are hidden.
    std::vector<int> tags;
    for (const MoreRow& row : view->rows)
        tags.push_back(row.tag);
    EXPECT_EQ(tags, (std::vector<int>{0, 2, 3, 4, 5, 7}));

    struct Case {
        int tag;
        std::vector<int> stats;
        std::string event;
    };
    const Case cases[] = {
        {0, {83}, ""},
        {1, {84}, ""},
        {2, {}, ""},
        {4, {86}, "about"},
        {5, {87}, "feedback"},
        {6, {88}, ""},
        {7, {89}, "open https://pocketdesk.example.org"},
        {9, {}, ""},
    };
    for (const Case& c : cases) {
        stats.clear();
        view->clear();
        screen->didSelectRow(c.tag);
        EXPECT_EQ(stats, c.stats) << "tag " << c.tag;
        EXPECT_EQ(view->events,
                  c.event.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.event})
            << "tag " << c.tag;
    }
    EXPECT_EQ(navigator.returns, 1);
    ASSERT_TRUE(view->about);
    screen->DoBack();
    EXPECT_TRUE(view->saw("close"));
}

TEST_F(MoreScreenTest, TheSwitchShowsAndStoresWhetherTheComputerMayManageThePhonesFiles) {
    // Absent counts as allowed; otherwise any number but 0 is on.
    for (auto [stored, shown] : {std::pair<const char*, const char*>{nullptr, "switch on"},
                                 {"0", "switch off"},
                                 {"1", "switch on"},
                                 {"7", "switch on"}}) {
        if (stored)
            defaults->setString(Settings::kPhoneFilesKey, stored);
        view->clear();
        screen->viewDidLoad();
        EXPECT_TRUE(view->saw(shown)) << (stored ? stored : "absent");
    }

    stats.clear();
    screen->mgrFileSwitchAction(false);
    screen->mgrFileSwitchAction(true);
    screen->mgrFileSwitchAction(false);
    EXPECT_EQ(stats, (std::vector<int>{115, 114, 115}));
    // Written at once: a store read from the file afresh sees it.
    UserDefaults reread(defaults->file());
    EXPECT_FALSE(Settings(reread).phoneFilesOn());
    EXPECT_EQ(reread.integerForKey(Settings::kPhoneFilesKey), 0);
}

TEST_F(MoreScreenTest, ClearingACacheOfAMegabyteAndAHalfFreesOneMegabyteAndKeepsTheFolder) {
    // Files only: the size counts a subfolder's own entry too.
    writeBytes(cache / "a.bin", 1048576);
    writeBytes(cache / "b.bin", 524288);
    screen->viewDidLoad();
    measure();
    EXPECT_EQ(screen->cacheDirSize(), 1572864u);
    EXPECT_TRUE(view->saw("size 1 MB"));

    view->clear();
    stats.clear();
    clear();
    EXPECT_EQ(stats, std::vector<int>{112});
    EXPECT_EQ(view->events, (std::vector<std::string>{"size 0 MB", "tip Cache cleared:1 MB 1000",
                                                      "cleared 1572864"}));
    // The folder is there again, empty, for the next preview.
    EXPECT_TRUE(fs::is_directory(cache));
    EXPECT_TRUE(fs::is_empty(cache));
    EXPECT_EQ(screen->cacheDirSize(), 0u);

    // Now under a megabyte: nothing to clear, nothing removed.
    writeBytes(cache / "small.bin", 1000);
    measure();
    view->clear();
    clear();
    EXPECT_EQ(view->events,
              (std::vector<std::string>{tipEvent("no need clear"), "nothing to clear 0"}));
    EXPECT_TRUE(fs::exists(cache / "small.bin"));

    // A cache folder that does not exist measures 0.
    fs::remove_all(cache);
    measure();
    EXPECT_EQ(screen->cacheDirSize(), 0u);
}

TEST_F(MoreScreenTest, ASizeMeasuredBeforeAClearingOrForAScreenThatIsGoneIsNotShown) {
    HeldQueue background;
    screen = make(&background);
    writeBytes(cache / "big.bin", 2 * 1048576);
    screen->viewDidLoad();
    screen->viewWillAppear();
    background.runNext();
    ASSERT_TRUE(pumpMainUntil([&] { return !screen->isMeasuring(); }));
    ASSERT_EQ(screen->cacheDirSize(), 2u * 1048576);

    // A second measurement starts, then the cache is cleared; the clearing ends first.
    screen->viewWillAppear();
    screen->didSelectRow(MoreTableViewController::kClearCacheTag);
    ASSERT_EQ(background.tasks.size(), 2u);
    Task staleMeasure = std::move(background.tasks.front());
    background.tasks.pop_front();
    view->clear();
    background.runNext();
    ASSERT_TRUE(pumpMainUntil([&] { return !screen->isClearing(); }));
    writeBytes(cache / "after.bin", 3 * 1048576);  // measured by the stale task, not shown
    staleMeasure();
    MainQueue::shared().runFor(std::chrono::milliseconds(20));
    EXPECT_EQ(view->events, (std::vector<std::string>{"size 0 MB", "tip Cache cleared:2 MB 1000",
                                                      "cleared 2097152"}));

    // The screen goes while its size is measured: nothing reaches its view.
    screen->viewWillAppear();
    screen.reset();
    view->clear();
    background.runNext();
    MainQueue::shared().runFor(std::chrono::milliseconds(20));
    EXPECT_TRUE(view->events.empty());
}

TEST(AboutScreen, NamesOnlyTheProjectsOwnPageAndSaysWhatTheLinkDoesNotProtect) {
    const auto rows = AboutViewController::rows();
    const std::string home = "https://pocketdesk.example.org";
    std::vector<std::string> urls;
    for (const AboutRow& row : rows) {
        if (!row.url.empty())
            urls.push_back(row.url);
        std::string text = row.text;
        if (const auto at = text.find(home); at != std::string::npos)
            text.erase(at, home.size());
        // No other address of any kind: web, mail, telephone.
        for (const char* mark : {"http", "www.", "@", "mailto", "tel:", ".com", ".org"}) {
            EXPECT_EQ(text.find(mark), std::string::npos) << mark << " in: " << row.text;
        }
    }
    EXPECT_EQ(urls, std::vector<std::string>{home});
    std::string all;
    for (const AboutRow& row : rows)
        all += row.text + "\n";
    EXPECT_NE(all.find("Pocketdesk " + ToolPackage::GetAppVersion()), std::string::npos);
    EXPECT_NE(all.find("not encrypted"), std::string::npos);
    EXPECT_NE(all.find("list, fetch and delete this phone's files"), std::string::npos);

    struct View : Recording<AboutView> {
        void setTitle(const std::string& key) override { add("title " + key); }
        void openUrl(const std::string& url) override { add("open " + url); }
    };
    auto view = std::make_shared<View>();
    AboutViewController screen(view);
    screen.viewDidLoad();
    for (std::size_t row = 0; row <= rows.size(); ++row)
        screen.didSelectRow(row);
    EXPECT_EQ(view->events, (std::vector<std::string>{"title about", "open " + home}));
}
