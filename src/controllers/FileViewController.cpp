#include "controllers/FileViewController.h"

#include "NetWork/DownloadPaths.h"
#include "controllers/BrowserPaths.h"
#include "controllers/FileDownViewController.h"
#include "core/AuthCore.h"
#include "model/FileTime.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/Log.h"
#include "platform/ToolPackage.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <utility>

namespace pd {

namespace {

constexpr std::chrono::seconds kTipDuration{1};
constexpr const char* kFolderIcon = "format_folder.png";
// Used when the localisation table has no "dayFormat1" pattern (strftime syntax).
constexpr const char* kDefaultDayFormat = "%Y-%m-%d %H:%M";
constexpr int kLastShownYear = 9999;

struct ClassChoice {
    const char* key;
    std::int32_t classify;
    int stat;
};
constexpr ClassChoice kClassChoices[] = {
    {"commonly used Picture", 16, 21},
    {"commonly used Video", 256, 22},
    {"commonly used Music", 4096, 23},
    {"commonly used Files", 1, 24},
};

bool isPresentation(const std::string& name) {
    const std::string ext = ToolPackage::extensionOf(name);
    return ext == "ppt" || ext == "pptx" || ext == "dls";
}

}  // namespace

FileViewController::FileViewController(Options options, BrowserServices services)
    : options_(std::move(options)), services_(std::move(services)) {}

FileViewController::~FileViewController() {
    services_.core.clearDelegate(this);
}

void FileViewController::viewDidLoad() {
    viewWillAppear();
    cacheDirectory_ = previewCacheFolder();
    std::error_code ec;
    std::filesystem::create_directories(cacheDirectory_, ec);
    if (ec) {
        PD_LOG_WARN("cannot create the preview cache {}: {}", cacheDirectory_, ec.message());
    }
    queryFullPath_ = options_.queryPath + "/";
    photos_.reserve(100);
    if (auto v = view()) {
        v->setTitle(options_.typeDesc == 1 ? Localized("desktopFile") : services_.core.pcName);
        v->setPathLine(queryFullPath_);
    }
    CommondPathAuthCore(queryFullPath_);
}

void FileViewController::viewWillAppear() {
    services_.core.setDelegate(shared_from_this());
}

void FileViewController::CommondPathAuthCore(const std::string& path) {
    if (auto v = view()) {
        v->showProgress("inquiring");
    }
    services_.core.setDelegate(shared_from_this());
    pending_ = Pending::Listing;
    services_.core.GetFileList(path);
}

std::string FileViewController::computerPathOf(const DirAndFileListData& row) const {
    // queryFullPath ends in "/", so this doubles the separator; the computer accepts it.
    return queryFullPath_ + "/" + row.name;
}

std::string FileViewController::classPathOf(const DirAndFileListData& row) const {
    const std::string path = queryFullPath_ + row.name;
    return row.isDir != 0 ? path : deletingLastPathComponent(path);
}

void FileViewController::selectRow(std::size_t index) {
    if (index >= dirAndFileListArr_->size()) {
        return;
    }
    services_.stat(25);
    const DirAndFileListData row = (*dirAndFileListArr_)[index];
    if (row.isDir != 0) {
        queryFullPath_ += row.name + "/";
        if (auto v = view()) {
            v->setPathLine(queryFullPath_);
        }
        CommondPathAuthCore(queryFullPath_);
    } else if (options_.bPPTExtension) {
        if (auto pick = options_.pptFileBlock) {
            pick(queryFullPath_ + row.name);
        }
    } else if (ToolPackage::FileExtImg(row.name)) {
        PicViewLoad(index);
    } else {
        previewRow(index);
    }
}

void FileViewController::PicViewLoad(std::size_t index) {
    photos_.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < dirAndFileListArr_->size(); ++i) {
        const DirAndFileListData& row = (*dirAndFileListArr_)[i];
        // Folders named like pictures are not pictures.
        if (row.isDir != 0 || !ToolPackage::FileExtImg(row.name)) {
            continue;
        }
        if (i < index) {
            ++start;
        }
        const std::string path = computerPathOf(row);
        photos_.push_back({services_.core.CreateHttpUrl(path), path});
    }
    if (auto v = view()) {
        v->showPhotoViewer(photos_, start);
    }
}

void FileViewController::previewRow(std::size_t index) {
    if (index >= dirAndFileListArr_->size() || (*dirAndFileListArr_)[index].isDir != 0) {
        return;
    }
    const std::string source = computerPathOf((*dirAndFileListArr_)[index]);
    if (!usableFileName(source)) {
        showTip("operation failed");  // no name to keep the preview under
        return;
    }
    const std::uint64_t size = (*dirAndFileListArr_)[index].size;
    const std::uint64_t modifyTime = (*dirAndFileListArr_)[index].modifyTime;
    // Where the download service writes the preview: a place of this computer's file, of this
    // size and time, so a preview found there (from this run or an earlier one) is current.
    const std::string cachePath = previewPath(source, services_.core.deviceTag, size, modifyTime);
    auto preview = std::make_shared<QuickLookViewController>(cachePath);
    std::weak_ptr<FileViewController> weak = weak_from_this();
    std::weak_ptr<QuickLookViewController> weakPreview = preview;
    preview->QuickLoadFinish([weak, weakPreview, source, size, modifyTime, cachePath] {
        auto self = weak.lock();
        auto shown = weakPreview.lock();
        if (!self || !shown) {
            return;
        }
        // A preview is moved there only once it is whole.
        if (ToolPackage::FileExistAtPath(cachePath)) {
            shown->setProgress(1.0f);
            return;
        }
        self->previewCachePath_ = cachePath;
        self->previewSource_ = source;
        self->previewSize_ = size;
        self->previewModifyTime_ = modifyTime;
        self->startPreviewDownload();
    });
    preview->QuickLoadPop([weak, weakPreview] {
        auto self = weak.lock();
        auto shown = weakPreview.lock();
        if (self && shown && shown->progress() != 1.0f) {
            self->previewLeft();
        }
        if (self) {
            self->quickLook_.reset();
        }
    });
    quickLook_ = preview;
    if (auto v = view()) {
        preview->setView(v->presentPreview(preview));
    }
    preview->viewDidLoad();
}

void FileViewController::startPreviewDownload() {
    quickLookURL_.clear();
    pauseWhenStarted_ = false;
    if (!services_.core.AddHttpDownTaskV2(previewSource_, weak_from_this(), previewSize_,
                                          previewModifyTime_)) {
        showTip("operation failed");
    }
}

void FileViewController::previewLeft() {
    // Only the preview stops: a kept download of the same file goes on.
    if (!quickLookURL_.empty()) {
        services_.core.StopPreviewTask(quickLookURL_);
    } else {
        pauseWhenStarted_ = true;
    }
}

void FileViewController::HttpDownStart(const std::string& url) {
    quickLookURL_ = url;
    if (pauseWhenStarted_) {
        pauseWhenStarted_ = false;
        services_.core.StopPreviewTask(url);
    }
}

void FileViewController::HttpDownProgress(float fraction) {
    MainQueue::shared().async([weak = weak_from_this(), fraction] {
        if (auto self = weak.lock()) {
            self->previewProgress(fraction);
        }
    });
}

void FileViewController::previewProgress(float fraction) {
    if (quickLook_) {
        quickLook_->setProgress(fraction);
    }
}

void FileViewController::HttpDownError(const std::string& error) {
    PD_LOG_INFO("preview download failed: {}", error);
    if (quickLook_) {
        quickLook_->downloadFailed();
    }
}

void FileViewController::downloadRow(std::size_t index) {
    if (index >= dirAndFileListArr_->size() || (*dirAndFileListArr_)[index].isDir != 0) {
        return;
    }
    const DirAndFileListData& row = (*dirAndFileListArr_)[index];
    const std::string path = computerPathOf(row);
    // A name such as ".." is refused here rather than saved under some other name.
    const bool usable = usableFileName(path);
    const bool queued = usable && CommondAuthHttp(path, row.size, row.modifyTime);
    showTip(queued ? "joined the download queue" : "operation failed");
    if (auto v = view()) {
        v->downloadRequestEnded(path, queued   ? DownloadRequestOutcome::Queued
                                      : usable ? DownloadRequestOutcome::Refused
                                               : DownloadRequestOutcome::UnusableName);
    }
    services_.stat(18);
    if (auto v = view()) {
        v->closeSwipeActions();
    }
}

bool FileViewController::CommondAuthHttp(const std::string& path, std::uint64_t size,
                                         std::uint64_t modifyTime) {
    services_.core.fileSize = size;
    return services_.core.AddHttpDownTask(path, size, modifyTime);
}

void FileViewController::moreRow(std::size_t index) {
    if (index >= dirAndFileListArr_->size()) {
        return;
    }
    curCellFilePath_ = classPathOf((*dirAndFileListArr_)[index]);
    if (auto v = view()) {
        std::vector<std::string> buttons{"cancel"};
        for (const ClassChoice& choice : kClassChoices) {
            buttons.emplace_back(choice.key);
        }
        // Button 0 cancels; the others add the folder to their class.
        v->askConfirmation("", buttons, [weak = weak_from_this(), path = curCellFilePath_](int i) {
            auto self = weak.lock();
            if (!self || i < 1 || i > static_cast<int>(std::size(kClassChoices))) {
                return;
            }
            const ClassChoice& choice = kClassChoices[i - 1];
            self->services_.core.setDelegate(self);
            self->pending_ = Pending::ClassChange;
            self->services_.core.AddFolderClassify(path, choice.classify);
            self->services_.stat(choice.stat);
        });
    }
    services_.stat(20);
    if (auto v = view()) {
        v->closeSwipeActions();
    }
}

void FileViewController::favBnClick(std::size_t index) {
    if (index >= dirAndFileListArr_->size() || options_.classifyID == 0) {
        return;
    }
    curCellFilePath_ = classPathOf((*dirAndFileListArr_)[index]);
    const bool on = !classToggles_[index];
    classToggles_[index] = on;
    if (auto v = view()) {
        v->setRowToggle(index, on);
    }
    services_.core.setDelegate(shared_from_this());
    pending_ = Pending::ClassChange;
    if (on) {
        services_.core.AddFolderClassify(curCellFilePath_, options_.classifyID);
    } else {
        services_.core.DelFolderClassify(curCellFilePath_, options_.classifyID);
    }
}

void FileViewController::DoBack() {
    auto v = view();
    if (options_.typeDesc == 1) {
        if (v)
            v->closeScreen();
        return;
    }
    std::string up = deletingLastPathComponent(queryFullPath_);
    if (up.empty() || up.back() != '/') {
        up += '/';
    }
    queryFullPath_ = up;
    if (v) {
        v->setPathLine(up == "/" ? std::string() : up);
    }
    if (up.size() > 1) {
        CommondPathAuthCore(up);
    } else if (v) {
        v->closeScreen();
    }
}

void FileViewController::NvFuncMore() {
    if (auto v = view()) {
        v->presentMore();
    }
}

void FileViewController::AuthCoreListSucess(const ListingRows& listing) {
    pending_ = Pending::None;
    auto v = view();
    if (v) {
        v->hideProgress();
    }
    if (!options_.bPPTExtension) {
        dirAndFileListArr_ = listing;  // kept in the order the computer sent them
    } else {
        auto picked = std::make_shared<std::vector<DirAndFileListData>>();
        for (const DirAndFileListData& row : *listing) {
            if (row.isDir != 0 || isPresentation(row.name)) {
                picked->push_back(row);
            }
        }
        dirAndFileListArr_ = std::move(picked);
    }
    classToggles_.assign(dirAndFileListArr_->size(), false);
    if (!v) {
        return;
    }
    v->reloadRows(rows());
    if (!dirAndFileListArr_->empty()) {
        v->setEmptyPicture("");
        v->setListVisible(true);
        v->scrollToTop();
    } else {
        v->setListVisible(false);
        v->setEmptyPicture(options_.typeDesc == 1 ? "EmptyDesk.png" : "EmptyDir.png");
    }
    v->listingEnded(ListingOutcome::Listed);
}

void FileViewController::AuthCoreAddClassifySucess() {
    pending_ = Pending::None;
    showTip("added");
    if (auto v = view()) {
        v->classChangeEnded(ClassChangeOutcome::Added);
    }
}

void FileViewController::AuthCoreDelClassifySucess() {
    pending_ = Pending::None;
    showTip("canceled");
    if (auto v = view()) {
        v->classChangeEnded(ClassChangeOutcome::Removed);
    }
}

void FileViewController::AuthCoreCheckError(std::int64_t, const std::string&) {
    failed(ListingOutcome::Refused);
}

void FileViewController::AuthCoreCheckUnkowError() {
    failed(ListingOutcome::Failed);
}

void FileViewController::failed(ListingOutcome outcome) {
    const Pending was = std::exchange(pending_, Pending::None);
    auto v = view();
    if (v) {
        v->hideProgress();
    }
    showTip("operation failed");
    if (!v) {
        return;
    }
    if (was == Pending::ClassChange) {
        v->classChangeEnded(ClassChangeOutcome::Failed);
    } else {
        v->listingEnded(outcome);
    }
}

void FileViewController::showTip(const char* key) {
    if (auto v = view()) {
        v->showTip(key, kTipDuration);
    }
}

namespace {
std::string dayFormat();
}  // namespace

BrowserRows FileViewController::rows() const {
    auto context = std::make_shared<const RowContext>(RowContext{
        dirAndFileListArr_, queryFullPath_, options_.classifyID != 0, classToggles_, dayFormat()});
    return BrowserRows(dirAndFileListArr_->size(),
                       [context](std::size_t i) { return rowFor(*context, i); });
}

BrowserRow FileViewController::rowFor(const RowContext& context, std::size_t index) {
    const DirAndFileListData& data = (*context.listing)[index];
    const bool classMode = context.classMode;
    BrowserRow row;
    row.label = data.name;
    row.timeText = fileTimeText(data.modifyTime, context.dayFormat);
    row.path = context.queryFullPath + data.name;
    if (data.isDir == 0) {
        row.kind = BrowserRowKind::File;
        row.icon = ToolPackage::FileExtImg(data.name, false);
        row.sizeText = FileDownViewController::FileSizeOpti(data.size);
        if (!classMode) {
            row.swipeActions = {BrowserRowAction::More, BrowserRowAction::Download};
        }
    } else if (data.isDir == 1) {
        row.kind = BrowserRowKind::Folder;
        row.icon = kFolderIcon;
        if (!classMode) {
            row.swipeActions = {BrowserRowAction::More};
        }
    } else {
        return row;  // an unknown kind: no icon, no actions
    }
    row.hasClassToggle = classMode;
    row.classToggleOn = classMode && index < context.toggles.size() && context.toggles[index];
    return row;
}

namespace {

std::string dayFormat() {
    std::string pattern = Localized("dayFormat1");
    if (pattern.find('%') == std::string::npos) {
        pattern = kDefaultDayFormat;  // no pattern in the table
    }
    return pattern;
}

}  // namespace

std::string FileViewController::FileTimeToUTC(std::uint64_t fileTime) {
    return fileTimeText(fileTime, dayFormat());
}

std::string FileViewController::fileTimeText(std::uint64_t fileTime, const std::string& pattern) {
    if (fileTime == 0) {
        return {};
    }
    const std::int64_t seconds = fileTimeToUnixSeconds(fileTime);
    if (seconds < 0) {
        return {};
    }
    // Files of one folder often share their time: the last text is kept per thread, since the
    // local-time conversion costs more than the rest of a row.
    struct LastText {
        std::int64_t seconds = -1;
        std::string pattern;
        std::string text;
    };
    thread_local LastText last;
    if (last.seconds == seconds && last.pattern == pattern) {
        return last.text;
    }
    const auto when = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (localtime_r(&when, &tm) == nullptr || tm.tm_year > kLastShownYear - 1900) {
        return {};
    }
    char text[128];
    const std::size_t n = std::strftime(text, sizeof text, pattern.c_str(), &tm);
    last = {seconds, pattern, std::string(text, n)};
    return last.text;
}

}  // namespace pd
