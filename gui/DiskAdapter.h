#pragma once
// The drive and class screen for Qt Quick: the class menu, the drives or a class's folders,
// the add-other-folder button and the empty picture; it opens the folder screens.

#include "BrowserRowModel.h"
#include "FolderAdapter.h"
#include "OverlayScreen.h"

#include "controllers/DiskView.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

namespace pd {
class DiskViewController;
}

namespace pd::gui {

class DiskAdapter : public QObject, public OverlayScreen<DiskView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QStringList menu READ menu NOTIFY changed)
    Q_PROPERTY(int selectedMenu READ selectedMenu NOTIFY changed)
    Q_PROPERTY(QObject* rows READ rows CONSTANT)
    Q_PROPERTY(bool listVisible READ listVisible NOTIFY changed)
    Q_PROPERTY(QString emptyPicture READ emptyPicture NOTIFY changed)
    Q_PROPERTY(bool addFolderVisible READ addFolderVisible NOTIFY changed)

  public:
    DiskAdapter(Overlay& overlay, std::weak_ptr<DiskViewController> controller);

    Q_INVOKABLE void selectMenu(int index);
    Q_INVOKABLE void tap(int row);
    Q_INVOKABLE void removeFromClass(int row);
    Q_INVOKABLE void addOtherFolder();
    Q_INVOKABLE void back();
    Q_INVOKABLE void openMore();

    QString title() const { return title_; }
    QStringList menu() const { return menu_; }
    int selectedMenu() const { return selectedMenu_; }
    QObject* rows() { return &rows_; }
    bool listVisible() const { return listVisible_; }
    QString emptyPicture() const { return emptyPicture_; }
    bool addFolderVisible() const { return addFolderVisible_; }

    // DiskView
    void setTitle(const std::string& text) override;
    void setMenu(const std::vector<ClassMenuEntry>& entries) override;
    void setSelectedMenu(std::size_t index) override;
    void reloadRows(const std::vector<BrowserRow>& rows) override;
    void setListVisible(bool visible) override;
    void setEmptyPicture(const std::string& image) override;
    void setAddFolderButtonVisible(bool visible) override;
    std::shared_ptr<FileBrowserView> presentFolderScreen(
        const std::shared_ptr<FileViewController>& screen) override;
    void presentMore() override;
    void closeScreen() override;
    void listingEnded(ListingOutcome outcome) override;

  signals:
    void changed();
    // The screen closed (the presentation picker, backed out of).
    void closed();
    void folderOpened(QObject* folder);
    void listed(int outcome);
    // The More screen was asked for; the application shows it.
    void moreRequested();

  private:
    std::weak_ptr<DiskViewController> controller_;
    BrowserRowModel rows_;
    QString title_;
    QStringList menu_;
    int selectedMenu_ = 0;
    bool listVisible_ = true;
    QString emptyPicture_;
    bool addFolderVisible_ = false;
    // The folder screens opened from here, innermost last.
    std::vector<std::shared_ptr<FolderAdapter>> folders_;
};

}  // namespace pd::gui
