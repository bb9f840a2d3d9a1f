#pragma once
// The download list screen for Qt Quick: its two tabs, the running and finished tables, the
// empty picture, pause/resume, groups, delete and the preview of a finished file.

#include "DownloadModels.h"
#include "OverlayScreen.h"
#include "PreviewAdapter.h"

#include "controllers/DownloadListView.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace pd {
class FileDownViewController;
}

namespace pd::gui {

class DownloadsAdapter : public QObject, public OverlayScreen<DownloadListView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QStringList tabs READ tabs NOTIFY changed)
    Q_PROPERTY(int selectedTab READ selectedTab NOTIFY changed)
    Q_PROPERTY(QObject* running READ running CONSTANT)
    Q_PROPERTY(QObject* finished READ finished CONSTANT)
    Q_PROPERTY(bool tableVisible READ tableVisible NOTIFY changed)
    Q_PROPERTY(QString emptyPicture READ emptyPicture NOTIFY changed)

  public:
    explicit DownloadsAdapter(Overlay& overlay);
    void setController(std::shared_ptr<FileDownViewController> controller);

    Q_INVOKABLE void selectTab(int index);
    Q_INVOKABLE void pauseOrResume(int row);
    Q_INVOKABLE void toggleSection(int section);
    Q_INVOKABLE void remove(int section, int row);
    Q_INVOKABLE void open(int section, int row);
    Q_INVOKABLE void back();

    QString title() const { return title_; }
    QStringList tabs() const { return tabs_; }
    int selectedTab() const { return selectedTab_; }
    QObject* running() { return &running_; }
    QObject* finished() { return &finished_; }
    bool tableVisible() const { return tableVisible_; }
    QString emptyPicture() const { return emptyPicture_; }

    // DownloadListView
    void setTitle(const std::string& text) override;
    void setTabs(const std::vector<std::string>& keys) override;
    void setSelectedTab(std::size_t index) override;
    void reloadRunningRows(const std::vector<DownloadRow>& rows) override;
    void reloadFinishedSections(const std::vector<FinishedSection>& sections) override;
    void setTableVisible(bool visible) override;
    void setEmptyPicture(const std::string& image) override;
    void setRowProgress(std::size_t row, float progress, bool animated) override;
    void setRowProgressText(std::size_t row, const std::string& text) override;
    void setRowStatus(std::size_t row, int bnStatus) override;
    std::shared_ptr<QuickLookView> presentPreview(
        const std::shared_ptr<QuickLookViewController>& preview) override;
    void closeScreen() override;
    void downloadEnded(const DownloadEnd& end) override;

  signals:
    void changed();
    void previewOpened(QObject* preview);
    void closed();
    void ended(const QString& remotePath, bool finished);

  private:
    std::shared_ptr<FileDownViewController> controller_;
    RunningDownloadModel running_;
    FinishedFileModel finished_;
    QString title_;
    QStringList tabs_;
    int selectedTab_ = 0;
    bool tableVisible_ = true;
    QString emptyPicture_;
    std::shared_ptr<PreviewAdapter> preview_;
};

}  // namespace pd::gui
