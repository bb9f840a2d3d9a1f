#pragma once
// The remote control panel for Qt Quick: the section menu and swipes, the computer section's
// tiles, mute, full volume and slider, the five-position pad of the music, slide and gamepad
// sections, the microphone, the capture viewer, and the screens the panel opens (presentation
// picker, capture history, hotspot list, gamepad settings and the pad).

#include "CaptureHistoryAdapter.h"
#include "DiskAdapter.h"
#include "GamepadAdapter.h"
#include "GamepadSettingsAdapter.h"
#include "HotspotAdapter.h"
#include "OverlayScreen.h"

#include "controllers/IntelligentView.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>
#include <optional>

namespace pd {
class IntelligentViewController;
}

namespace pd::gui {

class RemoteControlAdapter : public QObject, public OverlayScreen<IntelligentView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QStringList menu READ menu NOTIFY changed)
    Q_PROPERTY(int selectedMenu READ selectedMenu NOTIFY changed)
    Q_PROPERTY(int section READ section NOTIFY sectionChanged)
    Q_PROPERTY(bool computerControls READ computerControls NOTIFY sectionChanged)
    // The pad's controls: {"position": "left"|"right"|"up"|"down"|"centre", "tag", "label",
    // "enabled"}; empty outside the music, slide and gamepad sections.
    Q_PROPERTY(QVariantList pad READ pad NOTIFY sectionChanged)
    Q_PROPERTY(QString hint READ hint NOTIFY sectionChanged)
    Q_PROPERTY(bool microphone READ microphone NOTIFY sectionChanged)
    // What the pad's centre shows ("Play"/"Pause", "Start show"/"End show", "Start").
    Q_PROPERTY(QString centreLabel READ centreLabel NOTIFY sectionChanged)
    Q_PROPERTY(double volume READ volume NOTIFY volumeChanged)
    Q_PROPERTY(bool muteSelected READ muteSelected NOTIFY volumeChanged)
    Q_PROPERTY(int micLevel READ micLevel NOTIFY micLevelChanged)
    // How far the sound reaching the computer lags behind, in milliseconds.
    Q_PROPERTY(qint64 micDelay READ micDelay NOTIFY micLevelChanged)
    Q_PROPERTY(bool micRunning READ micRunning NOTIFY micRunningChanged)
    // The capture viewer's images ({"source", "placeholder"}); empty while it is closed.
    Q_PROPERTY(QVariantList viewerImages READ viewerImages NOTIFY viewerChanged)
    Q_PROPERTY(int viewerStart READ viewerStart NOTIFY viewerChanged)

  public:
    RemoteControlAdapter(Overlay& overlay, std::weak_ptr<IntelligentViewController> controller);

    Q_INVOKABLE void selectMenu(int index);
    // A swipe over the panel; left selects the next section.
    Q_INVOKABLE void swipe(bool left);
    Q_INVOKABLE void shutdown();
    Q_INVOKABLE void lockScreen();
    Q_INVOKABLE void standby();
    Q_INVOKABLE void reboot();
    Q_INVOKABLE void capture();
    Q_INVOKABLE void mute();
    Q_INVOKABLE void fullVolume();
    Q_INVOKABLE void slideVolume(double value);
    // A pad control of the section shown, by its tag.
    Q_INVOKABLE void pressPad(int tag);
    Q_INVOKABLE void pressMic();
    Q_INVOKABLE void openHotspot();
    Q_INVOKABLE void openMore();
    Q_INVOKABLE void captureAgain();
    Q_INVOKABLE void viewAllCaptures();
    Q_INVOKABLE void closeViewer();

    std::shared_ptr<IntelligentViewController> controller() const { return controller_.lock(); }
    QString title() const { return title_; }
    QStringList menu() const { return menu_; }
    int selectedMenu() const { return selectedMenu_; }
    int section() const { return section_.value; }
    bool computerControls() const { return section_.computerControls; }
    QVariantList pad() const;
    QString hint() const;
    bool microphone() const { return section_.microphone; }
    QString centreLabel() const { return centreLabel_; }
    double volume() const { return volume_; }
    bool muteSelected() const { return muteSelected_; }
    int micLevel() const { return micLevel_; }
    qint64 micDelay() const { return micDelay_; }
    bool micRunning() const { return micRunning_; }
    QVariantList viewerImages() const { return viewerImages_; }
    int viewerStart() const { return viewerStart_; }
    CaptureHistoryAdapter* history() const { return history_.get(); }
    HotspotAdapter* hotspot() const { return hotspot_.get(); }
    GamepadSettingsAdapter* gamepadSettings() const { return gamepadSettings_.get(); }
    GamepadAdapter* gamepad() const { return gamepad_.get(); }
    // Where the last capture was stored (empty when it was not).
    const std::optional<std::string>& lastCapture() const { return lastCapture_; }

    // IntelligentView
    void setTitle(const std::string& key) override;
    void setMenu(const std::vector<MenuEntry>& entries) override;
    void setSelectedMenu(std::size_t index) override;
    void showSection(const PanelSection& section) override;
    void setToggle(const std::string& key) override;
    void setVolume(float value) override;
    void setMuteSelected(bool selected) override;
    void setMicLevel(int level) override;
    void setMicDelay(std::int64_t ms) override;
    void microphoneStarted() override;
    void microphoneStopped(bool interrupted, const std::string& message) override;
    std::shared_ptr<DiskView> presentPresentationPicker(
        const std::shared_ptr<DiskViewController>& picker) override;
    void closePresentationPicker() override;
    std::shared_ptr<GameHandleSetView> presentGamepadSettings(
        const std::shared_ptr<GameHandleSetVC>& settings) override;
    std::shared_ptr<GameHandleView> presentGamepad(
        const std::shared_ptr<GameHandleViewController>& pad) override;
    void openCaptureViewer(const std::vector<CaptureImage>& images, std::size_t start) override;
    void closeCaptureViewer() override;
    std::shared_ptr<ScreenHistoryView> presentCaptureHistory(
        const std::shared_ptr<ScreenHisTableController>& history) override;
    std::shared_ptr<WifiMgrView> presentHotspot(const std::shared_ptr<WifiMgrVC>& hotspot) override;
    void captureEnded(CaptureOutcome outcome, const std::string& path) override;
    void presentMore() override;

  signals:
    void changed();
    void sectionChanged();
    void volumeChanged();
    void micLevelChanged();
    void micRunningChanged();
    void viewerChanged();
    // A screen opened over the panel (a DiskAdapter, CaptureHistoryAdapter or HotspotAdapter).
    void pickerOpened(QObject* picker);
    void historyOpened(QObject* history);
    void hotspotOpened(QObject* hotspot);
    void gamepadSettingsOpened(QObject* settings);
    void gamepadOpened(QObject* pad);
    // The panel is in front again: QML pops what was over it.
    void backToPanel();
    // The More screen was asked for; the application shows it.
    void moreRequested();

  private:
    template <class F>
    void withController(F&& call);
    void panelInFront();

    std::weak_ptr<IntelligentViewController> controller_;
    QString title_;
    QStringList menu_;
    int selectedMenu_ = 0;
    PanelSection section_;
    QString centreLabel_;
    double volume_ = 0;
    bool muteSelected_ = false;
    int micLevel_ = 0;
    qint64 micDelay_ = 0;
    bool micRunning_ = false;
    QVariantList viewerImages_;
    int viewerStart_ = 0;
    std::shared_ptr<DiskAdapter> picker_;
    std::shared_ptr<DiskAdapter> closedPicker_;
    std::shared_ptr<CaptureHistoryAdapter> history_;
    std::shared_ptr<HotspotAdapter> hotspot_;
    std::shared_ptr<GamepadSettingsAdapter> gamepadSettings_;
    std::shared_ptr<GamepadAdapter> gamepad_;
    std::optional<std::string> lastCapture_;
};

}  // namespace pd::gui
