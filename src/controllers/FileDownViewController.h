#pragma once
// The download list: a tab of the running kept downloads, refreshed every second, with a
// pause/resume control per row, and a tab of the current computer's finished files grouped into
// "this week" and "earlier", which can be opened and deleted.
//
// Main queue only.

#include "controllers/BrowserServices.h"
#include "controllers/DownloadListView.h"
#include "controllers/FileDownListData.h"
#include "core/HttpDownTaskData.h"
#include "model/FileDownList.h"
#include "platform/NotificationCenter.h"
#include "platform/RepeatingTimer.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class QuickLookViewController;

class FileDownViewController : public std::enable_shared_from_this<FileDownViewController> {
  public:
    static constexpr std::uint32_t kFinishedTab = 0x10000000;
    static constexpr std::uint32_t kRunningTab = 0x11100000;
    static constexpr const char* kThisWeek = "this week";
    static constexpr const char* kEarlier = "earlier";

    using Clock = std::chrono::system_clock;
    using TaskRecords = std::vector<std::shared_ptr<HttpDownTaskData>>;

    // Where the screen reads the running downloads and the time; tests give their own.
    struct Sources {
        // Empty: the download service's records.
        std::function<TaskRecords()> httpDownListArr;
        std::chrono::milliseconds refreshInterval{1000};
        // Empty: the system clock.
        std::function<Clock::time_point()> now;
    };

    FileDownViewController(std::weak_ptr<DownloadListView> view, BrowserServices services);
    FileDownViewController(std::weak_ptr<DownloadListView> view, BrowserServices services,
                           Sources sources);
    ~FileDownViewController();
    FileDownViewController(const FileDownViewController&) = delete;
    FileDownViewController& operator=(const FileDownViewController&) = delete;

    // Takes the running downloads as rows, starts the refresh timer and selects the running tab
    // when something runs, else the finished tab.
    void viewDidLoad();
    // Tab 0 finished files, tab 1 running downloads (a tap or a program selection).
    void selectTab(std::size_t index);
    void TaskItemChange(std::uint32_t tag);
    // HTTPDOWNOP: the service's records changed (the rows stay as they are).
    void HttpDownTaskOp();
    // The refresh: progress of each running row; a row that reached 1.0 leaves the tab.
    void getDownListTimer();
    void CreateFinishTaskData();
    void RefreshDownloadView();
    // Collapses or expands a finished section.
    void expandButtonClicked(std::size_t section);
    // The pause/resume control of a running row.
    void downControlAction(std::size_t row);
    // The delete action of a finished row: asks, then removes the file and its record.
    void deleteFinishedRow(std::size_t section, std::size_t row);
    // Opens the finished file in the preview; returns the preview (null for no such row).
    std::shared_ptr<QuickLookViewController> selectFinishedRow(std::size_t section,
                                                               std::size_t row);
    void DoBack();
    // HTTPTASKSUCCESS / HTTPTASKFAILURE: tells the view how a kept download ended.
    void downloadEnded(bool finished, const UserInfo& info);
    // Starts or stops the once-a-second refresh of the running tab.
    void setRefreshing(bool on);

    // "1023Byte", "1.50KB", "1.00MB", "1.00GB" (computed in single precision).
    static std::string FileSizeOpti(std::uint64_t size);
    // kThisWeek when `date` falls in the ISO 8601 week (and week-based year) of `now`, in the
    // local time zone; else kEarlier.
    static std::string friendlyTime(Clock::time_point date, Clock::time_point now);

    std::uint32_t nCurTopSelectTag() const { return nCurTopSelectTag_; }
    const std::vector<FileDownListData>& taskListObjArr() const { return taskListObjArr_; }
    const std::array<std::vector<std::shared_ptr<FileDownList>>, 2>& finishListObjArr() const {
        return finishListObjArr_;
    }
    const TaskRecords& copyHttpDownListArr() const { return copyHttpDownListArr_; }
    bool mergeSection1() const { return mergeSection1_; }
    bool mergeSection2() const { return mergeSection2_; }
    const std::string& curSelectFilePath() const { return curSelectFilePath_; }
    std::vector<DownloadRow> runningRows() const;
    std::vector<FinishedSection> finishedSections() const;

  private:
    void reloadTable();
    void deleteFinishedFile(const std::string& path);
    const FileDownList* finishedRecord(std::size_t section, std::size_t row) const;
    TaskRecords readRecords() const;
    Clock::time_point now() const;
    std::shared_ptr<DownloadListView> view() const { return view_.lock(); }

    std::weak_ptr<DownloadListView> view_;
    BrowserServices services_;
    Sources sources_;
    std::uint32_t nCurTopSelectTag_ = kFinishedTab;
    std::vector<FileDownListData> taskListObjArr_;
    std::array<std::vector<std::shared_ptr<FileDownList>>, 2> finishListObjArr_;
    TaskRecords copyHttpDownListArr_;
    bool mergeSection1_ = false;
    bool mergeSection2_ = false;
    std::string curSelectFilePath_;
    std::unique_ptr<RepeatingTimer> timer_;
    ObserverToken downOpToken_ = 0;
    ObserverToken successToken_ = 0;
    ObserverToken failureToken_ = 0;
};

}  // namespace pd
