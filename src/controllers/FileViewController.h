#pragma once
// The folder screen: lists one folder of the computer, walks into subfolders and back, and
// offers the per-entry actions: preview, photo viewer, download, adding a folder to a class,
// and, in presentation-pick mode, handing a presentation file to the remote control panel.
//
// Main queue only, except HttpDownProgress, which may arrive on any thread.

#include "NetWork/HttpDownloader.h"
#include "controllers/BrowserRow.h"
#include "controllers/BrowserServices.h"
#include "controllers/FileBrowserView.h"
#include "controllers/QuickLookViewController.h"
#include "core/AuthCoreDelegate.h"
#include "model/DirAndFileListData.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class FileViewController : public AuthCoreDelegate,
                           public DownloadServiceDelegate,
                           public std::enable_shared_from_this<FileViewController> {
  public:
    struct Options {
        std::string queryPath;        // a drive, the desktop or a class folder; no trailing "/"
        std::int32_t typeDesc = 0;    // 1: opened on the desktop entry
        std::int32_t classifyID = 0;  // the class being filled; 0 for normal browsing
        bool bPPTExtension = false;   // presentation-pick mode
        std::function<void(const std::string&)> pptFileBlock;
    };

    FileViewController(Options options, BrowserServices services);
    ~FileViewController() override;

    void setView(std::weak_ptr<FileBrowserView> view) { view_ = std::move(view); }

    // Titles the screen, prepares the preview cache and lists queryPath + "/".
    void viewDidLoad();
    // Makes this screen the core controller's delegate again (coming back from a preview).
    void viewWillAppear();

    void CommondPathAuthCore(const std::string& path);
    // What a tap on a row does: open a folder, pick a presentation, show pictures or preview.
    void selectRow(std::size_t row);
    void PicViewLoad(std::size_t row);
    void previewRow(std::size_t row);
    // Swipe actions: download (files) and more (files and folders).
    void downloadRow(std::size_t row);
    void moreRow(std::size_t row);
    // The class toggle of a row in class-filling mode.
    void favBnClick(std::size_t row);
    // Starts a kept download; false (and "operation failed" shown) when it was refused.
    bool CommondAuthHttp(const std::string& path, std::uint64_t size, std::uint64_t modifyTime = 0);
    // Up one folder, or closes the screen at the top (and at once when opened on the desktop).
    void DoBack();
    void NvFuncMore();

    // A computer file time as shown in the rows; empty for 0, for times before 1970 and for
    // years past 9999.
    static std::string FileTimeToUTC(std::uint64_t fileTime);

    const std::string& queryPath() const { return options_.queryPath; }
    const std::string& queryFullPath() const { return queryFullPath_; }
    std::int32_t typeDesc() const { return options_.typeDesc; }
    std::int32_t classifyID() const { return options_.classifyID; }
    bool bPPTExtension() const { return options_.bPPTExtension; }
    const std::vector<DirAndFileListData>& dirAndFileListArr() const { return *dirAndFileListArr_; }
    BrowserRows rows() const;
    const std::string& curCellFilePath() const { return curCellFilePath_; }
    const std::string& cacheDirectory() const { return cacheDirectory_; }
    const std::string& quickLookURL() const { return quickLookURL_; }
    const std::vector<PhotoItem>& photos() const { return photos_; }
    // The preview screen while it is shown.
    std::shared_ptr<QuickLookViewController> quickLook() const { return quickLook_; }

    // AuthCoreDelegate
    void AuthCoreListSucess(const ListingRows& rows) override;
    void AuthCoreAddClassifySucess() override;
    void AuthCoreDelClassifySucess() override;
    void AuthCoreCheckError(std::int64_t index, const std::string& deviceTag) override;
    void AuthCoreCheckUnkowError() override;

    // DownloadServiceDelegate (preview downloads)
    void HttpDownStart(const std::string& url) override;
    void HttpDownProgress(float fraction) override;
    void HttpDownError(const std::string& error) override;

  private:
    // What a row needs besides its entry; rows made later use the state of this moment.
    struct RowContext {
        ListingRows listing;
        std::string queryFullPath;
        bool classMode = false;
        std::vector<bool> toggles;
        std::string dayFormat;
    };
    static BrowserRow rowFor(const RowContext& context, std::size_t index);
    static std::string fileTimeText(std::uint64_t fileTime, const std::string& pattern);
    std::string computerPathOf(const DirAndFileListData& row) const;
    std::string classPathOf(const DirAndFileListData& row) const;
    void startPreviewDownload();
    void previewLeft();
    void previewProgress(float fraction);
    void failed(ListingOutcome outcome);
    void showTip(const char* key);
    std::shared_ptr<FileBrowserView> view() const { return view_.lock(); }

    Options options_;
    BrowserServices services_;
    std::weak_ptr<FileBrowserView> view_;
    std::string queryFullPath_;
    // Shared with the core controller's copy of the listing unless this screen filters it.
    ListingRows dirAndFileListArr_ = std::make_shared<const std::vector<DirAndFileListData>>();
    // What the screen waits for from the core controller, so that an answer is reported as
    // the outcome of the action that asked for it.
    enum class Pending { None, Listing, ClassChange };
    Pending pending_ = Pending::None;
    std::vector<bool> classToggles_;  // one per row, class-filling mode
    std::string curCellFilePath_;
    std::string cacheDirectory_;
    std::string quickLookURL_;
    std::vector<PhotoItem> photos_;
    std::shared_ptr<QuickLookViewController> quickLook_;
    // The preview download asked for last: where it writes and which computer file it fetches.
    std::string previewCachePath_;
    std::string previewSource_;
    std::uint64_t previewSize_ = 0;  // as listed: the preview must have this size
    std::uint64_t previewModifyTime_ = 0;
    bool pauseWhenStarted_ = false;  // the preview was left before its download reported a start
};

}  // namespace pd
