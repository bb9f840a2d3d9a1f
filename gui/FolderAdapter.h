#pragma once
// A folder screen for Qt Quick: the path line, the rows (made as they scroll into view), the
// per-row actions, the photo viewer and the preview it opens.

#include "BrowserRowModel.h"
#include "OverlayScreen.h"
#include "PreviewAdapter.h"

#include "controllers/FileBrowserView.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

namespace pd {
class FileViewController;
}

namespace pd::gui {

class FolderAdapter : public QObject, public OverlayScreen<FileBrowserView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString pathLine READ pathLine NOTIFY changed)
    Q_PROPERTY(QObject* rows READ rows CONSTANT)
    Q_PROPERTY(bool listVisible READ listVisible NOTIFY changed)
    Q_PROPERTY(QString emptyPicture READ emptyPicture NOTIFY changed)
    Q_PROPERTY(QStringList photos READ photos NOTIFY photosChanged)
    Q_PROPERTY(int photoIndex READ photoIndex NOTIFY photosChanged)

  public:
    FolderAdapter(Overlay& overlay, std::shared_ptr<FileViewController> controller);

    // A tap on a row: opens a folder, shows pictures or previews a file.
    Q_INVOKABLE void tap(int row);
    Q_INVOKABLE void download(int row);
    Q_INVOKABLE void more(int row);
    Q_INVOKABLE void toggle(int row);
    Q_INVOKABLE void back();
    Q_INVOKABLE void closePhotos();
    // Makes the screen the core controller's delegate again (it is in front once more).
    Q_INVOKABLE void appeared();

    QString title() const { return title_; }
    QString pathLine() const { return pathLine_; }
    QObject* rows() { return &rows_; }
    bool listVisible() const { return listVisible_; }
    QString emptyPicture() const { return emptyPicture_; }
    QStringList photos() const { return photos_; }
    int photoIndex() const { return photoIndex_; }
    const std::optional<ListingOutcome>& lastListing() const { return lastListing_; }

    // FileBrowserView
    void setTitle(const std::string& text) override;
    void setPathLine(const std::string& text) override;
    void reloadRows(const BrowserRows& rows) override;
    void setListVisible(bool visible) override;
    void setEmptyPicture(const std::string& image) override;
    void setRowToggle(std::size_t row, bool on) override;
    void showPhotoViewer(const std::vector<PhotoItem>& photos, std::size_t startIndex) override;
    std::shared_ptr<QuickLookView> presentPreview(
        const std::shared_ptr<QuickLookViewController>& preview) override;
    void closeScreen() override;
    void listingEnded(ListingOutcome outcome) override;
    void classChangeEnded(ClassChangeOutcome outcome) override;
    void downloadRequestEnded(const std::string& computerPath,
                              DownloadRequestOutcome outcome) override;

  signals:
    void changed();
    void photosChanged();
    void previewOpened(QObject* preview);
    void closed();
    void listed(int outcome);
    void downloadRequested(const QString& computerPath, int outcome);

  private:
    std::shared_ptr<FileViewController> controller_;
    BrowserRowModel rows_;
    QString title_;
    QString pathLine_;
    bool listVisible_ = true;
    QString emptyPicture_;
    QStringList photos_;
    int photoIndex_ = 0;
    std::shared_ptr<PreviewAdapter> preview_;
    std::optional<ListingOutcome> lastListing_;
};

}  // namespace pd::gui
