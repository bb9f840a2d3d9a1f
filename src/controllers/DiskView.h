#pragma once
// The view of the drive and class screen: the class menu, the drives or a class's folders, the
// add-other-folder button and the class's empty picture.

#include "controllers/BrowserRow.h"
#include "controllers/FileBrowserView.h"
#include "controllers/ScreenView.h"
#include "controllers/TopMenuPicker.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class FileViewController;

// A class-menu entry: 17 computer, else the class value.
using ClassMenuEntry = MenuEntry;

class DiskView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*text*/) {}
    virtual void setMenu(const std::vector<ClassMenuEntry>& /*entries*/) {}
    virtual void setSelectedMenu(std::size_t /*index*/) {}
    virtual void reloadRows(const std::vector<BrowserRow>& /*rows*/) {}
    virtual void scrollToTop() {}
    virtual void setListVisible(bool /*visible*/) {}
    // The picture shown instead of an empty class; an empty name removes it.
    virtual void setEmptyPicture(const std::string& /*image*/) {}
    virtual void setAddFolderButtonVisible(bool /*visible*/) {}
    virtual void closeSwipeActions() {}
    // Shows a folder screen; returns the view that the folder screen drives (may be null).
    virtual std::shared_ptr<FileBrowserView> presentFolderScreen(
        const std::shared_ptr<FileViewController>& /*screen*/) {
        return nullptr;
    }
    virtual void presentMore() {}
    virtual void closeScreen() {}

    // How the drive or class listing ended (the rows and tips show it to the user).
    virtual void listingEnded(ListingOutcome /*outcome*/) {}
};

}  // namespace pd
