#include "controllers/DiskViewController.h"

#include "controllers/BrowserPaths.h"
#include "controllers/FileViewController.h"
#include "core/AuthCore.h"
#include "platform/Localization.h"

namespace pd {

namespace {

constexpr const char* kDesktopIcon = "disk_desktop.png";
constexpr const char* kSystemDriveIcon = "disk_system.png";
constexpr const char* kDriveIcon = "disk_normal.png";
constexpr const char* kFolderIcon = "format_folder.png";

// Usage statistics and pictures of each class-menu value.
struct MenuFacts {
    std::int32_t value;
    int selected;  // menu entry chosen
    int shown;     // class listing shown
    int relisted;  // class listed again after a removal
    const char* emptyPicture;
};
constexpr MenuFacts kMenuFacts[] = {
    {DiskViewController::kMenuComputer, 13, 0, 0, ""},
    {16, 26, 30, 31, "tipPic"},
    {256, 27, 35, 36, "tipVideo"},
    {4096, 28, 40, 41, "tipMusic"},
    {1, 29, 45, 46, "tipFolder"},
};

const MenuFacts* factsOf(std::int32_t value) {
    for (const MenuFacts& facts : kMenuFacts) {
        if (facts.value == value)
            return &facts;
    }
    return nullptr;
}

bool isDesktop(const DirAndFileListData& row) {
    return row.desc == DiskViewController::kDesktopDesc;
}

}  // namespace

const std::vector<ClassMenuEntry>& DiskViewController::classMenu() {
    static const auto* const entries =
        new std::vector<ClassMenuEntry>(TopMenuPicker::CreateFileMenuData());
    return *entries;
}

DiskViewController::DiskViewController(std::weak_ptr<DiskView> view, BrowserServices services)
    : view_(std::move(view)), services_(std::move(services)) {}

DiskViewController::~DiskViewController() {
    services_.core.clearDelegate(this);
}

void DiskViewController::setPresentationPick(std::function<void(const std::string&)> block) {
    bPPTExtension_ = true;
    pptFileBlock_ = std::move(block);
}

void DiskViewController::viewDidLoad() {
    nClassify_ = 0;
    diskListArr_.clear();
    diskListArr_.reserve(10);
    if (auto v = view()) {
        v->setTitle(bPPTExtension_ ? Localized("PPT Select") : services_.core.pcName);
        v->setMenu(classMenu());
    }
    selectMenu(0);
}

void DiskViewController::viewWillAppear() {
    services_.core.setDelegate(shared_from_this());
}

void DiskViewController::selectMenu(std::size_t index) {
    if (index >= classMenu().size()) {
        return;
    }
    if (auto v = view()) {
        v->setSelectedMenu(index);
    }
    ClassifyViewChange(classMenu()[index].value);
}

void DiskViewController::ClassifyViewChange(std::int32_t value) {
    const MenuFacts* facts = factsOf(value);
    if (facts == nullptr) {
        return;
    }
    nCurSelectMenu_ = value;
    services_.core.setDelegate(shared_from_this());
    if (value == kMenuComputer) {
        CommondPathAuthCore("");  // the root: drives and desktop
    } else {
        CommondClassifyAuthCore(value);
    }
    services_.stat(facts->selected);
}

void DiskViewController::CommondPathAuthCore(const std::string& path) {
    if (auto v = view()) {
        v->showProgress("inquiring");
    }
    services_.core.setDelegate(shared_from_this());
    services_.core.GetFileList(path);
}

void DiskViewController::CommondClassifyAuthCore(std::int32_t classify) {
    if (auto v = view()) {
        v->showProgress("inquiring");
    }
    services_.core.setDelegate(shared_from_this());
    services_.core.SelectClassify(classify);
}

void DiskViewController::AddOtherFolderAction() {
    if (nCurSelectMenu_ == kMenuComputer) {
        return;  // the button is hidden there
    }
    nClassify_ = nCurSelectMenu_;
    selectMenu(0);
}

std::shared_ptr<FileViewController> DiskViewController::selectRow(std::size_t index) {
    if (index >= diskListArr_.size()) {
        return nullptr;
    }
    const DirAndFileListData& row = diskListArr_[index];
    FileViewController::Options options;
    options.queryPath = row.name;
    options.bPPTExtension = bPPTExtension_;
    if (bPPTExtension_) {
        options.pptFileBlock = pptFileBlock_;
    }
    options.classifyID = nClassify_;
    options.typeDesc = isDesktop(row) ? 1 : 0;
    if (isDesktop(row)) {
        services_.stat(14);
    } else if (row.isDir == 2) {
        services_.stat(15);
    } else if (row.isDir == 1 || row.isDir == 3) {
        services_.stat(16);
    }
    auto screen = std::make_shared<FileViewController>(std::move(options), services_);
    if (auto v = view()) {
        screen->setView(v->presentFolderScreen(screen));
    }
    screen->viewDidLoad();
    return screen;
}

void DiskViewController::deleteFromClass(std::size_t index) {
    if (index >= diskListArr_.size() || nCurSelectMenu_ == kMenuComputer) {
        return;
    }
    services_.stat(17);
    services_.core.setDelegate(shared_from_this());
    services_.core.DelFolderClassify(diskListArr_[index].name, nCurSelectMenu_);
    services_.stat(31);
    if (auto v = view()) {
        v->closeSwipeActions();
    }
}

void DiskViewController::DoBack() {
    if (auto v = view()) {
        v->closeScreen();
    }
}

void DiskViewController::NvFuncMore() {
    if (auto v = view()) {
        v->presentMore();
    }
}

void DiskViewController::AuthCoreListSucess(const ListingRows& listing) {
    auto v = view();
    if (v) {
        v->hideProgress();
    }
    diskListArr_ = *listing;
    const MenuFacts* facts = factsOf(nCurSelectMenu_);
    const bool underClass = nCurSelectMenu_ != kMenuComputer;
    if (v) {
        v->setAddFolderButtonVisible(underClass);
        v->reloadRows(rows());
    }
    if (underClass && facts != nullptr) {
        services_.stat(facts->shown);
    }
    if (!v) {
        return;
    }
    if (underClass && diskListArr_.empty()) {
        v->setListVisible(false);
        v->setEmptyPicture(facts != nullptr ? facts->emptyPicture : "");
    } else {
        v->setListVisible(true);
        v->setEmptyPicture("");
        v->scrollToTop();
    }
    v->listingEnded(ListingOutcome::Listed);
}

void DiskViewController::AuthCoreDelClassifySucess() {
    const MenuFacts* facts = factsOf(nCurSelectMenu_);
    if (nCurSelectMenu_ == kMenuComputer || facts == nullptr) {
        return;
    }
    CommondClassifyAuthCore(nCurSelectMenu_);
    services_.stat(facts->relisted);
}

void DiskViewController::AuthCoreCheckError(std::int64_t, const std::string&) {
    if (auto v = view()) {
        v->hideProgress();
        v->listingEnded(ListingOutcome::Refused);
    }
}

void DiskViewController::AuthCoreCheckUnkowError() {
    if (auto v = view()) {
        v->hideProgress();
        v->listingEnded(ListingOutcome::Failed);
    }
}

std::vector<BrowserRow> DiskViewController::rows() const {
    std::vector<BrowserRow> out;
    out.reserve(diskListArr_.size());
    for (const DirAndFileListData& data : diskListArr_) {
        out.push_back(rowFor(data));
    }
    return out;
}

BrowserRow DiskViewController::rowFor(const DirAndFileListData& data) const {
    BrowserRow row;
    row.path = data.name;
    if (nCurSelectMenu_ != kMenuComputer) {
        row.kind = BrowserRowKind::ClassFolder;
        row.label = lastPathComponent(data.name);
        row.icon = kFolderIcon;
        row.swipeActions = {BrowserRowAction::DeleteFromClass};
        return row;
    }
    if (isDesktop(data)) {
        row.kind = BrowserRowKind::Desktop;
        row.label = Localized("myDesktop");
        row.icon = kDesktopIcon;
        return row;
    }
    row.label = data.name;
    row.detail = data.desc;
    if (data.isDir == 2) {
        row.kind = BrowserRowKind::SystemDrive;
        row.icon = kSystemDriveIcon;
    } else if (data.isDir == 1 || data.isDir == 3) {
        row.kind = BrowserRowKind::Drive;
        row.icon = kDriveIcon;
    }
    return row;
}

}  // namespace pd
