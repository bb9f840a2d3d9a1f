#pragma once
// The view of the download list: two tabs (finished files, running downloads), the rows of the
// selected tab and an empty-state picture.

#include "controllers/QuickLookView.h"
#include "controllers/ScreenView.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class QuickLookViewController;

// A running download as shown.
struct DownloadRow {
    std::string fileName;  // shown truncated in the middle
    std::string icon;
    float progress = 0;
    std::string progressText;  // "received/total", empty until the first refresh
    int bnStatus = 1;          // 1 running (offers pause), 2 paused (offers resume)
    std::string remotePath;    // the computer's file
    std::string url;           // the signed link it is fetched from

    bool operator==(const DownloadRow&) const = default;
};

// A finished file as shown.
struct FinishedRow {
    std::string fileName;  // shown truncated in the middle
    std::string formatTime;
    std::string icon;
    std::string filePath;  // the local file

    bool operator==(const FinishedRow&) const = default;
};

// "this week" or "earlier"; a collapsed section has no rows.
struct FinishedSection {
    std::string headerKey;
    bool collapsed = false;
    std::vector<FinishedRow> rows;

    bool operator==(const FinishedSection&) const = default;
};

// A kept download that ended, finished or failed.
struct DownloadEnd {
    std::string remotePath;  // the computer's file (may be empty for very old requests)
    std::string localPath;   // where it was written
    std::string url;         // empty when the file was already complete on the phone
    bool finished = false;
    std::uint64_t size = 0;
    std::string error;  // why it failed, as the download service put it

    bool operator==(const DownloadEnd&) const = default;
};

class DownloadListView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*text*/) {}
    virtual void setTabs(const std::vector<std::string>& /*keys*/) {}
    virtual void setSelectedTab(std::size_t /*index*/) {}
    virtual void reloadRunningRows(const std::vector<DownloadRow>& /*rows*/) {}
    virtual void reloadFinishedSections(const std::vector<FinishedSection>& /*sections*/) {}
    virtual void setTableVisible(bool /*visible*/) {}
    // The picture shown instead of an empty tab; an empty name removes it.
    virtual void setEmptyPicture(const std::string& /*image*/) {}
    // Live updates of one running row (its index in the last reloaded rows).
    virtual void setRowProgress(std::size_t /*row*/, float /*progress*/, bool /*animated*/) {}
    virtual void setRowProgressText(std::size_t /*row*/, const std::string& /*text*/) {}
    virtual void setRowStatus(std::size_t /*row*/, int /*bnStatus*/) {}
    // Bytes received so far and the file's size (0 until known).
    virtual void setRowBytes(std::size_t /*row*/, std::uint64_t /*received*/,
                             std::uint64_t /*total*/) {}
    // Shows the preview screen; returns the view that the preview drives (may be null).
    virtual std::shared_ptr<QuickLookView> presentPreview(
        const std::shared_ptr<QuickLookViewController>& /*preview*/) {
        return nullptr;
    }
    virtual void closeScreen() {}
    // A kept download ended (whichever tab is shown).
    virtual void downloadEnded(const DownloadEnd& /*end*/) {}
};

}  // namespace pd
