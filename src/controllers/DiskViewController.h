#pragma once
// The drive and class screen: a class menu (computer, pictures, video, music, files); under
// "computer" the computer's drives and desktop, under a class its member folders. Tapping a row
// opens a folder screen; a class row can be removed from its class; "add other folder" switches
// to the drives with folder screens that fill the class.
//
// Main queue only.

#include "controllers/BrowserRow.h"
#include "controllers/BrowserServices.h"
#include "controllers/DiskView.h"
#include "core/AuthCoreDelegate.h"
#include "model/DirAndFileListData.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class FileViewController;

class DiskViewController : public AuthCoreDelegate,
                           public std::enable_shared_from_this<DiskViewController> {
  public:
    static constexpr std::int32_t kMenuComputer = 17;
    // The description the computer gives its desktop entry in the root listing.
    static constexpr const char* kDesktopDesc = "我的桌面";

    // The class menu in display order: computer first.
    static const std::vector<ClassMenuEntry>& classMenu();

    DiskViewController(std::weak_ptr<DiskView> view, BrowserServices services);
    void setView(std::weak_ptr<DiskView> view) { view_ = std::move(view); }
    ~DiskViewController() override;

    // Presentation-pick mode for the remote control panel; set before viewDidLoad. The picked
    // file's path goes to `pptFileBlock`.
    void setPresentationPick(std::function<void(const std::string&)> pptFileBlock);

    // Titles the screen, fills the class menu and selects "computer" (which lists the drives).
    void viewDidLoad();
    // Makes this screen the core controller's delegate again (coming back from a folder).
    void viewWillAppear();

    // A menu entry was selected, by the user or by program.
    void selectMenu(std::size_t index);
    void ClassifyViewChange(std::int32_t value);
    void CommondPathAuthCore(const std::string& path);
    void CommondClassifyAuthCore(std::int32_t classify);
    void AddOtherFolderAction();
    // Opens the folder screen of a row; returns it (null for a row that does not exist).
    std::shared_ptr<FileViewController> selectRow(std::size_t row);
    // The swipe action of a class row.
    void deleteFromClass(std::size_t row);
    void DoBack();
    void NvFuncMore();

    std::int32_t nCurSelectMenu() const { return nCurSelectMenu_; }
    std::int32_t nClassify() const { return nClassify_; }
    bool bPPTExtension() const { return bPPTExtension_; }
    bool isAddFolderButtonVisible() const { return nCurSelectMenu_ != kMenuComputer; }
    const std::vector<DirAndFileListData>& diskListArr() const { return diskListArr_; }
    std::vector<BrowserRow> rows() const;

    // AuthCoreDelegate
    void AuthCoreListSucess(const ListingRows& rows) override;
    void AuthCoreDelClassifySucess() override;
    void AuthCoreCheckError(std::int64_t index, const std::string& deviceTag) override;
    void AuthCoreCheckUnkowError() override;

  private:
    BrowserRow rowFor(const DirAndFileListData& data) const;
    std::shared_ptr<DiskView> view() const { return view_.lock(); }

    std::weak_ptr<DiskView> view_;
    BrowserServices services_;
    std::int32_t nCurSelectMenu_ = kMenuComputer;
    std::int32_t nClassify_ = 0;
    bool bPPTExtension_ = false;
    std::function<void(const std::string&)> pptFileBlock_;
    std::vector<DirAndFileListData> diskListArr_;
};

}  // namespace pd
