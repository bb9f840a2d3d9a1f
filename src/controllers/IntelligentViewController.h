#pragma once
// The remote control panel: five sections (computer, music, slides, gamepad, microphone) chosen
// from the section menu or by swiping. Each control becomes one request through the core
// controller: a power or capture command, or a plug message with a small JSON content. The
// panel also takes the capture's result (stored in the capture folder and shown), opens the
// capture history, the presentation picker and the hotspot list.
//
// Main queue only. Plug messages are handed to the link from the main queue (after a short
// pause for the pad's controls), since the core controller lives there.

#include "controllers/BrowserServices.h"
#include "controllers/IntelligentView.h"
#include "controllers/TopMenuPicker.h"
#include "core/AuthCoreDelegate.h"
#include "platform/AudioInput.h"
#include "platform/NotificationCenter.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pd {

class AQLevelMeter;
class AudioStreamTransfer;
class GameHandleSetVC;
class Recorder;
class GameHandleViewController;
class RepeatingTimer;
class ScreenHisTableController;
struct PanelPowerFacts;

class IntelligentViewController : public AuthCoreDelegate,
                                  public std::enable_shared_from_this<IntelligentViewController> {
  public:
    static constexpr std::int32_t kSectionComputer = 10;
    static constexpr std::int32_t kSectionMusic = 20;
    static constexpr std::int32_t kSectionSlides = 30;
    static constexpr std::int32_t kSectionGamepad = 40;
    static constexpr std::int32_t kSectionMicrophone = 50;

    struct Options {
        std::chrono::milliseconds volumeInterval{500};  // the volume sender's tick
        std::chrono::milliseconds padPause{5};          // before a pad control's message
        // A power or lock command without an answer by then ends its progress with a tip.
        std::chrono::milliseconds powerAnswerLimit{10000};
        std::filesystem::path screenCapDirectory;  // empty: the user-data folder's ScreenCap
        // Opens the microphone when the computer accepted the stream; empty: the default
        // capture device.
        std::function<AudioOpenResult()> microphone;
    };

    IntelligentViewController(std::weak_ptr<IntelligentView> view, BrowserServices services,
                              Options options);
    IntelligentViewController(std::weak_ptr<IntelligentView> view, BrowserServices services)
        : IntelligentViewController(std::move(view), std::move(services), Options{}) {}
    ~IntelligentViewController() override;
    void setView(std::weak_ptr<IntelligentView> view) { view_ = std::move(view); }

    // Builds the menu and slider, creates the capture folder, selects the computer section.
    void viewDidLoad();
    // Becomes the core controller's delegate (each time the panel comes to the front).
    void viewWillAppear();
    // Stops the volume sender and keeps the volume.
    void viewWillDisappear();

    // --- sections
    void selectSection(std::size_t index);  // a tap on the menu
    void ClassifyViewChange();              // build the section of the menu's selection
    void handleSwipeFrom(bool left);        // left: the next section, right: the previous one

    // --- computer section
    void BnShutDown();
    void BnLockScreen();
    void BnHibernation();
    void BnRestart();
    void BnCaptureScreen();
    void SliderVolume(float value);
    void VolumeValueSendTimer();
    void BnVolumeMute();
    void BnVolumeMax();
    void VolumePlugControl(const std::string& volume, bool isMute);

    // --- music, slides (by the pressed control's tag), gamepad, microphone
    void SongBnClick(int tag);
    void MusicPlugControl(const std::string& command);
    void PPTBnClick(int tag);
    void PPTPlugControl(const std::string& command, const std::string& filePath);
    void GameBnClick(int tag);
    void GamePlugControl();
    // Stops a running stream; without one, asks the computer for its stream port.
    void MicBnClick();
    void MicPlugControl();
    bool microphoneRunning() const;
    MicrophoneReport microphoneReport() const;

    // --- capture viewer, history, hotspot, navigation
    void ReCapture();
    void photoBrowserViewAllCaptureHistory();
    // Opens the list of devices on the computer's hotspot.
    void OpenHotspotList();
    void NvFuncMore();
    void DoBack();

    // The toggles' shown state (a front-end that remembers them across runs restores them
    // after the section is built).
    bool musicShowsPause() const { return musicShowsPause_; }
    void setMusicShowsPause(bool pause);
    bool slidesShowEnd() const { return slidesShowEnd_; }
    void setSlidesShowEnd(bool end);

    std::int32_t nCurSelect() const { return nCurSelect_; }
    bool bMute() const { return bMute_; }
    const std::string& lastVolumeValue() const { return lastVolumeValue_; }
    bool hasVolumeTimer() const { return timer_ != nullptr; }
    const TopMenuPicker& menu() const { return menu_; }
    const std::filesystem::path& screenCapDirectory() const { return screenCapDirectory_; }
    std::optional<std::int32_t> microphonePort() const { return microphonePort_; }
    // The gamepad screens last opened (null before).
    std::shared_ptr<GameHandleSetVC> gamepadSettings() const { return gamepadSettings_; }
    std::shared_ptr<GameHandleViewController> gamepad() const { return gamepad_; }

    // The volume text last sent by any panel of this process (absent before the first).
    static const std::optional<std::string>& lastSentVolume();
    static void resetLastSentVolumeForTests();

    // AuthCoreDelegate
    void AuthCoreCommandSucess(int command, std::shared_ptr<const std::string> data) override;
    void AuthCoreCommandFaile(int command) override;
    void AuthCoreMsgPostSucess(std::int32_t handlePort, int plugType) override;

  private:
    void askPower(const PanelPowerFacts& facts);
    void sendPower(const PanelPowerFacts& facts);
    void powerAnswered(int command);
    void captureArrived(std::shared_ptr<const std::string> data);
    void sendPlug(std::optional<PlugMessage> message, std::chrono::milliseconds pause);
    // The link came back after it dropped: the open pad and a running microphone ask the
    // computer for their ports again (its program may have restarted on others).
    void linkRestored();
    void buildSection(std::int32_t value);
    void startMicrophone(std::int32_t port);
    void microphoneEnded(bool interrupted, const std::string& message);
    void showToggle();
    std::shared_ptr<IntelligentView> view() const { return view_.lock(); }

    std::weak_ptr<IntelligentView> view_;
    BrowserServices services_;
    Options options_;
    TopMenuPicker menu_{TopMenuPicker::kIntelligentMenu};
    std::int32_t nCurSelect_ = kSectionComputer;
    bool bMute_ = false;
    std::string lastVolumeValue_;
    float sliderValue_ = 0;
    std::unique_ptr<RepeatingTimer> timer_;
    std::filesystem::path screenCapDirectory_;
    bool musicShowsPause_ = false;
    bool slidesShowEnd_ = false;
    // The power command waiting for its answer, and a number that ties a time-out to it.
    std::optional<int> pendingPower_;
    std::uint64_t powerSerial_ = 0;
    std::optional<std::int32_t> microphonePort_;
    // A stream to start again on this port once the running recorder has stopped.
    std::optional<std::int32_t> restartMicOn_;
    ObserverToken recoveryObserver_ = 0;
    std::shared_ptr<DiskViewController> picker_;
    std::shared_ptr<GameHandleSetVC> gamepadSettings_;
    std::shared_ptr<GameHandleViewController> gamepad_;
    // The stream sender lives as long as the panel: a stream started again keeps its connection.
    struct MicrophoneCounters;
    std::shared_ptr<MicrophoneCounters> micCounters_;
    std::shared_ptr<AudioStreamTransfer> audioStreamTransfer_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<AQLevelMeter> levelMeter_;
};

}  // namespace pd
