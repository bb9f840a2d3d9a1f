#include "controllers/FileDownViewController.h"

#include "NetWork/HttpDownloader.h"
#include "controllers/QuickLookViewController.h"
#include "core/AuthCore.h"
#include "core/DownloadService.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/Log.h"
#include "platform/ToolPackage.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

namespace pd {

namespace {

constexpr std::chrono::seconds kTipDuration{1};
constexpr const char* kEmptyRunningPicture = "EmptyDownloading.png";
constexpr const char* kEmptyFinishedPicture = "EmptyDownloaded.png";

// "2021-53": the ISO 8601 week-based year and week of the local date, so the days around New
// Year that share a week share a group.
std::optional<std::string> isoWeekOf(std::chrono::system_clock::time_point t) {
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    if (localtime_r(&tt, &tm) == nullptr) {
        return std::nullopt;
    }
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%G-%V", &tm);
    if (n == 0) {
        return std::nullopt;
    }
    return std::string(text, n);
}

std::string progressText(float progress, std::uint64_t size) {
    const auto received =
        static_cast<std::uint64_t>(static_cast<double>(progress) * static_cast<double>(size));
    return FileDownViewController::FileSizeOpti(received) + "/" +
           FileDownViewController::FileSizeOpti(size);
}

}  // namespace

FileDownViewController::FileDownViewController(std::weak_ptr<DownloadListView> view,
                                               BrowserServices services)
    : FileDownViewController(std::move(view), std::move(services), Sources{}) {}

FileDownViewController::FileDownViewController(std::weak_ptr<DownloadListView> view,
                                               BrowserServices services, Sources sources)
    : view_(std::move(view)), services_(std::move(services)), sources_(std::move(sources)) {}

FileDownViewController::~FileDownViewController() {
    timer_.reset();
    if (downOpToken_ != 0) {
        NotificationCenter::defaultCenter().removeObserver(successToken_);
        NotificationCenter::defaultCenter().removeObserver(failureToken_);
        NotificationCenter::defaultCenter().removeObserver(downOpToken_);
    }
}

FileDownViewController::TaskRecords FileDownViewController::readRecords() const {
    if (sources_.httpDownListArr) {
        return sources_.httpDownListArr();
    }
    return DownloadService::sharedNetworkQueue().httpDownListArr();
}

FileDownViewController::Clock::time_point FileDownViewController::now() const {
    return sources_.now ? sources_.now() : Clock::now();
}

void FileDownViewController::viewDidLoad() {
    finishListObjArr_ = {};
    taskListObjArr_.clear();
    taskListObjArr_.reserve(10);
    copyHttpDownListArr_ = readRecords();
    for (const auto& record : copyHttpDownListArr_) {
        if (record) {
            taskListObjArr_.push_back(FileDownListData::FileDownListWifhObj(*record));
        }
    }
    std::weak_ptr<FileDownViewController> weak = weak_from_this();
    if (auto v = view()) {
        v->setTitle(Localized("transfer tasks"));
        v->setTabs({"downloaded", "downloading"});
    }
    selectTab(copyHttpDownListArr_.empty() ? 0 : 1);
    if (downOpToken_ == 0) {
        auto& center = NotificationCenter::defaultCenter();
        downOpToken_ = center.addObserver(kHttpDownOpNotification,
                                          [weak](const std::string&, const UserInfo&) {
                                              if (auto self = weak.lock()) {
                                                  self->HttpDownTaskOp();
                                              }
                                          });
        auto ended = [weak](const std::string& name, const UserInfo& info) {
            if (auto self = weak.lock()) {
                self->downloadEnded(name == kHttpTaskSuccessNotification, info);
            }
        };
        successToken_ = center.addObserver(kHttpTaskSuccessNotification, ended);
        failureToken_ = center.addObserver(kHttpTaskFailureNotification, ended);
    }
}

void FileDownViewController::downloadEnded(bool finished, const UserInfo& info) {
    DownloadEnd end;
    end.finished = finished;
    end.remotePath = userInfoText(info, "remotePath").value_or("");
    end.url = userInfoText(info, "request").value_or("");
    end.localPath = userInfoText(info, end.url.empty() ? "path" : "filePath").value_or("");
    end.error = userInfoText(info, "error").value_or("");
    end.size = userInfoSize(info, "fileSize");
    if (auto v = view()) {
        v->downloadEnded(end);
    }
}

void FileDownViewController::selectTab(std::size_t index) {
    if (index > 1) {
        return;
    }
    if (auto v = view()) {
        v->setSelectedTab(index);
    }
    TaskItemChange(index == 0 ? kFinishedTab : kRunningTab);
}

void FileDownViewController::TaskItemChange(std::uint32_t tag) {
    if (tag != kFinishedTab && tag != kRunningTab) {
        return;
    }
    nCurTopSelectTag_ = tag;
    setRefreshing(tag == kRunningTab);
    if (tag == kRunningTab) {
        if (auto v = view()) {
            v->setTableVisible(true);
            v->setEmptyPicture("");
            // Paused rows are still rows: the picture is for a tab with nothing in it.
            if (taskListObjArr_.empty()) {
                v->setEmptyPicture(kEmptyRunningPicture);
            }
        }
        reloadTable();
        services_.stat(92);
    } else {
        CreateFinishTaskData();
        reloadTable();
        services_.stat(90);
        RefreshDownloadView();
    }
}

void FileDownViewController::setRefreshing(bool on) {
    // The refresh only matters while the running tab shows: an idle list wakes nobody.
    if (!on) {
        timer_.reset();
        return;
    }
    if (timer_) {
        return;
    }
    std::weak_ptr<FileDownViewController> weak = weak_from_this();
    timer_ = std::make_unique<RepeatingTimer>(MainQueue::shared(), sources_.refreshInterval,
                                              sources_.refreshInterval,
                                              std::chrono::milliseconds(0), [weak] {
                                                  if (auto self = weak.lock()) {
                                                      self->getDownListTimer();
                                                  }
                                              });
    timer_->start();
}

void FileDownViewController::HttpDownTaskOp() {
    copyHttpDownListArr_ = readRecords();
}

void FileDownViewController::getDownListTimer() {
    if (nCurTopSelectTag_ != kRunningTab) {
        return;
    }
    auto v = view();
    std::vector<std::string> finishedUrls;
    for (const auto& record : copyHttpDownListArr_) {
        if (!record) {
            continue;
        }
        const float progress = record->progress.load();
        const std::uint64_t size = record->fileSize.load();
        for (std::size_t i = 0; i < taskListObjArr_.size(); ++i) {
            FileDownListData& row = taskListObjArr_[i];
            if (row.url != record->url) {
                continue;
            }
            if (size != 0) {
                row.fileSize = size;  // known once the headers arrived; a resume asks for it
            }
            if (progress != 0) {
                row.progress = progress;
                if (v)
                    v->setRowProgress(i, progress, true);
            }
            if (v) {
                v->setRowProgressText(i, progressText(progress, size));
                v->setRowBytes(i, static_cast<std::uint64_t>(static_cast<double>(progress) * size),
                               size);
            }
            if (progress == 1.0f) {
                finishedUrls.push_back(row.url);
            }
        }
    }
    if (finishedUrls.empty()) {
        return;
    }
    // By link, not by position: earlier removals move the rows up.
    std::erase_if(taskListObjArr_, [&](const FileDownListData& row) {
        return std::find(finishedUrls.begin(), finishedUrls.end(), row.url) != finishedUrls.end();
    });
    reloadTable();
    if (v && taskListObjArr_.empty()) {
        v->setEmptyPicture(kEmptyRunningPicture);
    }
}

void FileDownViewController::CreateFinishTaskData() {
    finishListObjArr_ = {};
    const Clock::time_point today = now();
    // The current computer's files; before any connect, those of the computer paired last.
    std::string tag = services_.core.deviceTag;
    if (tag.empty()) {
        tag = services_.core.ReadLastDeviceTag().value_or("");
    }
    for (const auto& record : services_.finished.QueryFinishTaskFromDB(tag)) {
        const auto finished = Clock::time_point(std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(record->downTime)));
        const bool thisWeek = friendlyTime(finished, today) == kThisWeek;
        finishListObjArr_[thisWeek ? 0 : 1].push_back(record);
    }
}

void FileDownViewController::RefreshDownloadView() {
    auto v = view();
    if (!v) {
        return;
    }
    v->setEmptyPicture("");
    if (finishListObjArr_[0].empty() && finishListObjArr_[1].empty()) {
        v->setTableVisible(false);
        v->setEmptyPicture(kEmptyFinishedPicture);
    } else {
        v->setTableVisible(true);
    }
}

void FileDownViewController::expandButtonClicked(std::size_t section) {
    if (section == 0) {
        mergeSection1_ = !mergeSection1_;
    } else if (section == 1) {
        mergeSection2_ = !mergeSection2_;
    } else {
        return;
    }
    reloadTable();
}

void FileDownViewController::downControlAction(std::size_t index) {
    if (index >= taskListObjArr_.size()) {
        return;
    }
    FileDownListData& row = taskListObjArr_[index];
    auto v = view();
    if (row.bnStatus == FileDownListData::kStatusRunning) {
        services_.core.PauseHttpDownTask(row.url);
        row.bnStatus = FileDownListData::kStatusPaused;
    } else if (services_.core.AddHttpDownTask(row.filePath, row.fileSize)) {
        row.bnStatus = FileDownListData::kStatusRunning;  // continues from the temporary file
    } else if (v) {
        v->showTip("operation failed", kTipDuration);  // stays paused
    }
    if (v) {
        v->setRowStatus(index, row.bnStatus);
    }
}

const FileDownList* FileDownViewController::finishedRecord(std::size_t section,
                                                           std::size_t row) const {
    if (section > 1 || (section == 0 ? mergeSection1_ : mergeSection2_)) {
        return nullptr;  // a collapsed section has no rows
    }
    const auto& records = finishListObjArr_[section];
    return row < records.size() ? records[row].get() : nullptr;
}

void FileDownViewController::deleteFinishedRow(std::size_t section, std::size_t row) {
    const FileDownList* record = finishedRecord(section, row);
    if (record == nullptr) {
        return;
    }
    services_.stat(94);
    curSelectFilePath_ = record->filePath;
    if (auto v = view()) {
        // Button 0 deletes (destructive), button 1 cancels.
        v->askConfirmation("", {"delete the file", "cancel"},
                           [weak = weak_from_this(), path = curSelectFilePath_](int answer) {
                               auto self = weak.lock();
                               if (self && answer == 0) {
                                   self->deleteFinishedFile(path);
                               }
                           });
    }
}

void FileDownViewController::deleteFinishedFile(const std::string& path) {
    if (path.empty()) {
        return;
    }
    std::error_code ec;
    // A file that is already gone counts as removed: its record is all that is left to delete.
    std::filesystem::remove(path, ec);
    if (ec) {
        PD_LOG_WARN("cannot delete {}: {}", path, ec.message());
        return;
    }
    services_.finished.DeleteFinishTaskFromDB(path);
    CreateFinishTaskData();
    reloadTable();
    RefreshDownloadView();
}

std::shared_ptr<QuickLookViewController> FileDownViewController::selectFinishedRow(
    std::size_t section, std::size_t row) {
    const FileDownList* record = finishedRecord(section, row);
    if (record == nullptr) {
        return nullptr;
    }
    auto preview = std::make_shared<QuickLookViewController>(record->filePath);
    std::weak_ptr<QuickLookViewController> weakPreview = preview;
    preview->QuickLoadFinish([weakPreview] {
        if (auto shown = weakPreview.lock()) {
            shown->setProgress(1.0f);  // the whole file is on the phone
        }
    });
    if (auto v = view()) {
        preview->setView(v->presentPreview(preview));
    }
    preview->viewDidLoad();
    return preview;
}

void FileDownViewController::DoBack() {
    timer_.reset();
    if (auto v = view()) {
        v->closeScreen();
    }
}

void FileDownViewController::reloadTable() {
    auto v = view();
    if (!v) {
        return;
    }
    if (nCurTopSelectTag_ == kRunningTab) {
        v->reloadRunningRows(runningRows());
    } else {
        v->reloadFinishedSections(finishedSections());
    }
}

std::vector<DownloadRow> FileDownViewController::runningRows() const {
    std::vector<DownloadRow> rows;
    rows.reserve(taskListObjArr_.size());
    for (const FileDownListData& task : taskListObjArr_) {
        DownloadRow row;
        row.fileName = task.fileName;
        row.icon = ToolPackage::FileExtImg(task.fileName, false);
        row.progress = task.progress;
        if (task.fileSize != 0) {
            row.progressText = progressText(task.progress, task.fileSize);
        }
        row.bnStatus = task.bnStatus;  // a reload shows a paused row as paused
        row.remotePath = task.filePath;
        row.url = task.url;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<FinishedSection> FileDownViewController::finishedSections() const {
    std::vector<FinishedSection> sections(2);
    const bool collapsed[2] = {mergeSection1_, mergeSection2_};
    for (std::size_t s = 0; s < 2; ++s) {
        sections[s].headerKey = s == 0 ? kThisWeek : kEarlier;
        sections[s].collapsed = collapsed[s];
        if (collapsed[s]) {
            continue;
        }
        for (const auto& record : finishListObjArr_[s]) {
            sections[s].rows.push_back({record->fileName, record->formatTime,
                                        ToolPackage::FileExtImg(record->fileName, false),
                                        record->filePath});
        }
    }
    return sections;
}

std::string FileDownViewController::FileSizeOpti(std::uint64_t size) {
    char text[48];
    if (size >= (std::uint64_t{1} << 30)) {
        const float gb = static_cast<float>(size >> 20) / 1024.0f;
        std::snprintf(text, sizeof text, "%.2fGB", static_cast<double>(gb));
    } else if (size >= (std::uint64_t{1} << 20)) {
        const float mb = static_cast<float>(size >> 10) / 1024.0f;
        std::snprintf(text, sizeof text, "%.2fMB", static_cast<double>(mb));
    } else if (size >= 1024) {
        const float kb = static_cast<float>(size) / 1024.0f;
        std::snprintf(text, sizeof text, "%.2fKB", static_cast<double>(kb));
    } else {
        std::snprintf(text, sizeof text, "%lluByte", static_cast<unsigned long long>(size));
    }
    return text;
}

std::string FileDownViewController::friendlyTime(Clock::time_point date, Clock::time_point now) {
    const auto a = isoWeekOf(date);
    const auto b = isoWeekOf(now);
    return a && b && *a == *b ? kThisWeek : kEarlier;
}

}  // namespace pd
