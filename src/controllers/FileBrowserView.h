#pragma once
// The view of the folder screen: one folder of the computer, its path line, the per-entry
// actions, the photo viewer and the preview screen.

#include "controllers/BrowserRow.h"
#include "controllers/BrowserRows.h"
#include "controllers/Outcomes.h"
#include "controllers/QuickLookView.h"
#include "controllers/ScreenView.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class QuickLookViewController;

// One picture of the photo viewer.
struct PhotoItem {
    std::string url;           // signed link of the picture
    std::string computerPath;  // the path the link was made for

    bool operator==(const PhotoItem&) const = default;
};

class FileBrowserView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*text*/) {}
    virtual void setPathLine(const std::string& /*text*/) {}
    // The listing's rows, made when asked for (a view shows the ones on screen).
    virtual void reloadRows(const BrowserRows& /*rows*/) {}
    virtual void scrollToTop() {}
    virtual void setListVisible(bool /*visible*/) {}
    // The picture shown instead of an empty list; an empty name removes it.
    virtual void setEmptyPicture(const std::string& /*image*/) {}
    virtual void setRowToggle(std::size_t /*row*/, bool /*on*/) {}
    virtual void closeSwipeActions() {}
    // Opens the photo viewer at `startIndex`: action button shown, navigation arrows hidden, no
    // selection buttons, photos zoomed to fill, a grid available but not shown first.
    virtual void showPhotoViewer(const std::vector<PhotoItem>& /*photos*/,
                                 std::size_t /*startIndex*/) {}
    // Shows the preview screen; returns the view that the preview drives (may be null).
    virtual std::shared_ptr<QuickLookView> presentPreview(
        const std::shared_ptr<QuickLookViewController>& /*preview*/) {
        return nullptr;
    }
    virtual void presentMore() {}
    virtual void closeScreen() {}

    // How a listing of this screen ended (the rows and tips show it to the user).
    virtual void listingEnded(ListingOutcome /*outcome*/) {}
    virtual void classChangeEnded(ClassChangeOutcome /*outcome*/) {}
    // Whether a kept download of `computerPath` joined the download queue.
    virtual void downloadRequestEnded(const std::string& /*computerPath*/,
                                      DownloadRequestOutcome /*outcome*/) {}
};

}  // namespace pd
