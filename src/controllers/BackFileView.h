#pragma once
// The view of the photo backup screen: two tabs (shake, select), a status line with its
// picture, a time line, the backup-folder line, the progress ring and the photo browser.

#include "controllers/ScreenView.h"
#include "core/UploadChannel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pd {

// One photo of the library as the browser shows it.
struct PhotoEntry {
    std::string url;        // the asset URL (what a pick backs up)
    std::string fileName;   // the name the computer stores it under
    std::string imagePath;  // the local file, for the full-size image and the thumbnail

    bool operator==(const PhotoEntry&) const = default;
};

// How a batch of this screen ended.
struct BackupReport {
    std::size_t total = 0;       // items in the batch
    std::size_t done = 0;        // items that ended (sent, skipped or failed)
    std::size_t sent = 0;        // items the computer confirmed
    std::size_t failed = 0;      // items that could not be read or sent
    std::size_t known = 0;       // items left out because the computer already has them
    bool stopped = false;        // the user stopped it
    bool nothingToSend = false;  // an empty shake or selection: nothing started

    bool operator==(const BackupReport&) const = default;
};

class BackFileView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*key*/) {}
    // Tab 0 shake, tab 1 select.
    virtual void setSelectedTab(std::size_t /*index*/) {}
    // The status line (a localisation key) and its picture (an image name; empty for none).
    virtual void setStatus(const std::string& /*key*/) {}
    virtual void setStatusPicture(const std::string& /*image*/) {}
    // The line under the status: the last backup time or the progress, as display text.
    virtual void setTimeLine(const std::string& /*text*/) {}
    // "backupDir" and the computer's backup folder, as display text.
    virtual void setBackupFolderLine(const std::string& /*text*/) {}
    // The wave animation of a shake (frames, length, repeats).
    virtual void playWaveAnimation(int /*frames*/, double /*seconds*/, int /*repeats*/) {}
    // The progress ring: shown with its total, moved, removed. A tap on it stops the batch.
    virtual void showProgressRing(std::size_t /*total*/) {}
    virtual void setProgressRing(std::size_t /*done*/, std::size_t /*total*/) {}
    virtual void hideProgressRing() {}
    // The photo browser (grid first, selection on); closed by the user, which the screen
    // hears through photoBrowserDidFinishModalPresentation().
    virtual void openPhotoBrowser(const std::vector<PhotoEntry>& /*photos*/) {}
    // One item of a running batch ended.
    virtual void itemEnded(const std::string& /*fileName*/, UploadOutcome /*outcome*/) {}
    // A batch of this screen ended (or a shake or selection started nothing).
    virtual void backupEnded(const BackupReport& /*report*/) {}
};

}  // namespace pd
