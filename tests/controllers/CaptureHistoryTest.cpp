// Capture files and the capture history: names from the local time, relative time labels, the
// folder's listing, and deletions that keep rows and images together.

#include "BrowserTestSupport.h"
#include "PictureBytes.h"

#include "controllers/CaptureFiles.h"
#include "controllers/FriendlyTime.h"
#include "controllers/ScreenHisTableController.h"
#include "platform/AtomicFile.h"

#include <cstdlib>
#include <fstream>

namespace pd::test::browser {
namespace {

// Local time is UTC for these tests, so stamps and labels do not depend on the machine.
class UtcZone : public ::testing::Environment {
  public:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        saved_ = tz ? std::optional<std::string>(tz) : std::nullopt;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("TZ", saved_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

  private:
    std::optional<std::string> saved_;
};
[[maybe_unused]] auto* const utc = ::testing::AddGlobalTestEnvironment(new UtcZone);

std::time_t at(const char* stamp) {
    return *parseCaptureStamp(stamp);
}

TEST(CaptureTime, NamesAndLabelsFollowTheLocalCalendar) {
    EXPECT_EQ(captureFileName(at("20250101000005")), "20250101000005.jpg");
    EXPECT_EQ(captureFileName(at("20240303090507")), "20240303090507.jpg");

    struct Case {
        const char* name;
        const char* now;
        std::string label;
    };
    const Case cases[] = {
        {"20250320120000.jpg", "20250320120030", "30 s ago"},
        {"20250320120000.jpg", "20250320125959", "59 min ago"},
        {"20250320120000.jpg", "20250320130000", "Today 12:00"},
        {"20250320120000.jpg", "20250321090000", "Yesterday 12:00"},
        {"20250320120000.jpg", "20250322090000", "2 days ago 12:00"},
        {"20241231230000.jpg", "20250101010000", "2024-12-31 23:00"},  // another year
        {"20250310120000.jpg", "20250320120000", "10 days ago"},
        {"20250228120000.jpg", "20250303120000", "1 month ago"},
        {"20250105120000.jpg", "20250320120000", "Jan 05 12:00"},
        {"20250320120000.jpg", "20250320115900", "Just now"},  // a stamp in the future
        {"20250320120000.jpg", "20250320120000", "Just now"},
        // Only 14 leading ASCII digits that make a date are a stamp; the rest count as 1970.
        {"2025032012000.jpg", "20250320120000", "1970-01-01 00:00"},
        {"2025032012000\xc3\xa9.jpg", "20250320120000", "1970-01-01 00:00"},
        {"20251340120000.jpg", "20250320120000", "1970-01-01 00:00"},
        {"+2025032012000.jpg", "20250320120000", "1970-01-01 00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(friendlyTime(c.name, at(c.now)), c.label) << c.name << " at " << c.now;
    }
}

TEST(CaptureFilesTest, SavedBytesAreKeptAsTheyCameAndOnlyJpgEntriesAreListed) {
    ScopedTempHome home;
    const auto folder = home.home() / "ScreenCap";
    const std::string bytes("\xff\xd8 any bytes \0 at all", 20);
    const auto saved = saveCapture(folder, bytes, at("20250101000005"));
    EXPECT_EQ(saved, folder / "20250101000005.jpg");
    EXPECT_EQ(readWholeFile(saved, 1024), bytes);
    // The same second again replaces it.
    EXPECT_EQ(saveCapture(folder, "new", at("20250101000005")), saved);
    EXPECT_EQ(readWholeFile(saved, 1024), "new");

    std::ofstream(folder / "20240101120000.JPG") << "x";
    std::filesystem::create_directories(folder / "20240101120001.jpg");
    auto names = listCaptureNames(folder);
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string>{"20240101120001.jpg", "20250101000005.jpg"}));
    EXPECT_TRUE(listCaptureNames(folder / "missing").empty());
    // A folder that cannot be made: nothing saved, and the caller hears it.
    std::ofstream(home.home() / "file") << "x";
    EXPECT_TRUE(saveCapture(home.home() / "file" / "sub", bytes, 0).empty());
}

struct RecordingHistoryView : Recording<ScreenHistoryView> {
    std::vector<ScreenHistoryRow> rows;
    std::vector<CaptureImage> shown;
    std::size_t shownAt = 0;

    void reloadRows(const std::vector<ScreenHistoryRow>& r) override {
        rows = r;
        add("rows " + std::to_string(r.size()));
    }
    void setEmptyVisible(bool v) override { add(v ? "empty shown" : "empty hidden"); }
    void closeSwipeActions(std::size_t row) override { add("close " + std::to_string(row)); }
    void openCaptureViewer(const std::vector<CaptureImage>& images, std::size_t start) override {
        shown = images;
        shownAt = start;
    }
};

class CaptureHistoryTest : public BrowserTest {
  protected:
    std::shared_ptr<ScreenHisTableController> open() {
        auto history = std::make_shared<ScreenHisTableController>(view, services(), folder);
        history->setClock([] { return at("20250320120000"); });
        history->viewDidLoad();
        return history;
    }
    std::filesystem::path folder = home() / "ScreenCap";
    std::shared_ptr<RecordingHistoryView> view = std::make_shared<RecordingHistoryView>();
};

TEST_F(CaptureHistoryTest, DeletingARowRemovesThatFileAndThatImage) {
    const std::string picture = remote::bmp(2, 2);
    for (const char* stamp : {"20250320115930", "20250320110000", "20250319120000"}) {
        ASSERT_FALSE(saveCapture(folder, picture, at(stamp)).empty());
    }
    // A file that is no picture keeps its row, with a placeholder in its image's place.
    std::ofstream(folder / "20250318120000.jpg") << "not a picture";
    auto history = open();
    ASSERT_EQ(history->numberOfRows(), 4u);
    EXPECT_EQ(view->events, (std::vector<std::string>{"rows 4", "empty hidden"}));
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& name = history->historyArr()[i];
        EXPECT_EQ(view->rows[i], (ScreenHistoryRow{name, friendlyTime(name, at("20250320120000")),
                                                   (folder / name).string()}));
        EXPECT_EQ(history->photos()[i].path, (folder / name).string());
        EXPECT_EQ(history->photos()[i].placeholder, name == "20250318120000.jpg") << name;
    }

    const std::vector<std::string> before = history->historyArr();
    view->clear();
    EXPECT_FALSE(history->didTriggerRightUtilityButton(1, 1));  // not the delete action
    EXPECT_FALSE(history->didTriggerRightUtilityButton(9, 0));  // no such row
    EXPECT_TRUE(history->didTriggerRightUtilityButton(1, 0));
    EXPECT_FALSE(std::filesystem::exists(folder / before[1]));
    EXPECT_EQ(view->events, (std::vector<std::string>{"rows 3", "empty hidden", "close 1"}));
    EXPECT_EQ(stats, (std::vector<int>{108}));
    // The new second row shows the old third capture.
    history->didSelectRow(1);
    EXPECT_EQ(view->shownAt, 1u);
    EXPECT_EQ(view->shown.at(1).path, (folder / before[2]).string());
    EXPECT_EQ(view->rows.at(1).fileName, before[2]);

    // A file gone meanwhile still loses its row; the last deletion shows the empty picture.
    std::filesystem::remove(folder / before[0]);
    while (history->numberOfRows() > 0) {
        EXPECT_TRUE(history->didTriggerRightUtilityButton(0, 0));
    }
    EXPECT_EQ(view->events.at(view->events.size() - 2), "empty shown");
    EXPECT_TRUE(listCaptureNames(folder).empty());
}

}  // namespace
}  // namespace pd::test::browser
