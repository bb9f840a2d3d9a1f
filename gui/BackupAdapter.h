#pragma once
// The photo backup screen for Qt Quick: the shake and select tabs, the status line with its
// picture, the time and backup-folder lines, the wave animation, the progress ring, the photo
// browser's grid, and the switch that lets the computer manage the phone's files.

#include "OverlayScreen.h"
#include "PhotoGridModel.h"
#include "ShakeSensor.h"

#include "controllers/BackFileView.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace pd {
class BackFileViewController;
}

namespace pd::gui {

class BackupAdapter : public QObject, public OverlayScreen<BackFileView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(int tab READ tab NOTIFY changed)
    Q_PROPERTY(QString status READ status NOTIFY changed)
    Q_PROPERTY(QString statusPicture READ statusPicture NOTIFY changed)
    Q_PROPERTY(QString timeLine READ timeLine NOTIFY changed)
    Q_PROPERTY(QString folderLine READ folderLine NOTIFY changed)
    // The last batch's items the computer did not take; empty when none failed.
    Q_PROPERTY(QString failedLine READ failedLine NOTIFY changed)
    Q_PROPERTY(bool ringVisible READ ringVisible NOTIFY ringChanged)
    Q_PROPERTY(int ringDone READ ringDone NOTIFY ringChanged)
    Q_PROPERTY(int ringTotal READ ringTotal NOTIFY ringChanged)
    Q_PROPERTY(bool browserOpen READ browserOpen NOTIFY browserChanged)
    Q_PROPERTY(QObject* photos READ photos CONSTANT)
    Q_PROPERTY(bool phoneFilesOn READ phoneFilesOn WRITE setPhoneFilesOn NOTIFY phoneFilesChanged)

  public:
    explicit BackupAdapter(Overlay& overlay, std::shared_ptr<BackFileViewController> controller);

    Q_INVOKABLE void selectTab(int index);
    // The Shake button: a whole shake, as the accelerometer would report it.
    Q_INVOKABLE void shake();
    // A tap on a cell of the browser's grid picks or unpicks its photo.
    Q_INVOKABLE void togglePhoto(int row);
    // Closing the browser backs up what was picked.
    Q_INVOKABLE void closeBrowser();
    // A tap on the progress ring stops the batch after its current item.
    Q_INVOKABLE void tapRing();

    const std::shared_ptr<BackFileViewController>& controller() const { return controller_; }
    QString title() const { return title_; }
    int tab() const { return tab_; }
    QString status() const { return status_; }
    QString statusPicture() const { return statusPicture_; }
    QString timeLine() const { return timeLine_; }
    QString folderLine() const { return folderLine_; }
    QString failedLine() const { return failedLine_; }
    bool ringVisible() const { return ringVisible_; }
    int ringDone() const { return ringDone_; }
    int ringTotal() const { return ringTotal_; }
    bool browserOpen() const { return browserOpen_; }
    QObject* photos() { return &photos_; }
    bool phoneFilesOn() const;
    void setPhoneFilesOn(bool on);
    const std::optional<BackupReport>& lastReport() const { return lastReport_; }

    // BackFileView
    void setTitle(const std::string& key) override;
    void setSelectedTab(std::size_t index) override;
    void setStatus(const std::string& key) override;
    void setStatusPicture(const std::string& image) override;
    void setTimeLine(const std::string& text) override;
    void setBackupFolderLine(const std::string& text) override;
    void playWaveAnimation(int frames, double seconds, int repeats) override;
    void showProgressRing(std::size_t total) override;
    void setProgressRing(std::size_t done, std::size_t total) override;
    void hideProgressRing() override;
    void openPhotoBrowser(const std::vector<PhotoEntry>& photos) override;
    void backupEnded(const BackupReport& report) override;

  signals:
    void changed();
    void ringChanged();
    void browserChanged();
    void phoneFilesChanged();
    // QML plays `frames` pictures in `seconds`, `repeats` times.
    void wave(int frames, double seconds, int repeats);
    void ended();

  private:
    std::shared_ptr<BackFileViewController> controller_;
    PhotoGridModel photos_;
    ShakeSensor shakeSensor_;
    QString title_;
    int tab_ = 0;
    QString status_;
    QString statusPicture_;
    QString timeLine_;
    QString folderLine_;
    QString failedLine_;
    bool ringVisible_ = false;
    int ringDone_ = 0;
    int ringTotal_ = 0;
    bool browserOpen_ = false;
    std::optional<BackupReport> lastReport_;
};

}  // namespace pd::gui
