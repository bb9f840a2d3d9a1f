#include "controllers/IntelligentViewController.h"

#include "NetWork/AudioStreamTransfer.h"
#include "controllers/CaptureFiles.h"
#include "controllers/DiskViewController.h"
#include "controllers/GameHandleSetVC.h"
#include "controllers/GameHandleViewController.h"
#include "controllers/ScreenHisTableController.h"
#include "controllers/WifiMgrVC.h"
#include "core/AQLevelMeter.h"
#include "core/Recorder.h"
#include "core/Settings.h"
#include "platform/AlsaAudioInput.h"
#include "platform/Dispatch.h"
#include "platform/ImageProbe.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cfenv>
#include <cmath>
#include <ctime>
#include <system_error>

namespace pd {

namespace {

using namespace std::chrono_literals;

constexpr auto kTipTime = 1000ms;
constexpr auto kNoAnswerTipTime = 2000ms;
constexpr int kCaptureCommand = 23;

// Usage statistic numbers of the panel's controls.
enum Stat : int {
    kStatComputerSection = 59,
    kStatMusicSection = 60,
    kStatSlidesSection = 61,
    kStatCapture = 66,
    kStatCaptureAgain = 67,
    kStatViewAllCaptures = 68,
    kStatVolumeSent = 71,
    kStatPlay = 72,
    kStatPause = 73,
    kStatPreviousTrack = 74,
    kStatNextTrack = 75,
    kStatMusicVolume = 76,
    kStatOpenPresentation = 77,
    kStatStartShow = 78,
    kStatPreviousPage = 79,
    kStatNextPage = 80,
    kStatBlackScreen = 81,
    kStatEndShow = 82,
};

std::optional<std::string>& lastSentVolumeText() {
    static std::optional<std::string> text;  // main queue only
    return text;
}

// The slider's value as an integer text, rounded to the nearest with ties to even.
std::string volumeText(float value) {
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const auto rounded = static_cast<long>(std::nearbyint(value));
    std::fesetround(previous);
    return std::to_string(rounded);
}

}  // namespace

struct PanelPowerFacts {
    PowerCommand command;
    int stat;
    const char* confirmKey;
    const char* actionKey;
    void (AuthCore::*send)();
    const char* successKey;
    int commandNumber;
};

namespace {

constexpr std::array kPower = {
    PanelPowerFacts{PowerCommand::Shutdown, 70, "sure shutdown", "shutdown",
                    &AuthCore::RemoteShutdown, "shutdown successful", 25},
    PanelPowerFacts{PowerCommand::LockScreen, 64, "sure lockScreen", "lockScreen",
                    &AuthCore::RemoteLockScreen, "lockscreen successful", 20},
    PanelPowerFacts{PowerCommand::Standby, 65, "sure hibernation", "hibernation",
                    &AuthCore::RemoteStandby, "hibernation successful", 22},
    PanelPowerFacts{PowerCommand::Reboot, 69, "sure reboot", "reboot", &AuthCore::RemoteReboot,
                    "reboot successful", 24},
};

const PanelPowerFacts* powerOfCommand(int number) {
    for (const auto& facts : kPower) {
        if (facts.commandNumber == number)
            return &facts;
    }
    return nullptr;
}

const PanelPowerFacts& powerOf(PowerCommand command) {
    return *std::ranges::find(kPower, command, &PanelPowerFacts::command);
}

}  // namespace

struct IntelligentViewController::MicrophoneCounters {
    std::atomic<std::uint64_t> bytesSent{0};
};

IntelligentViewController::IntelligentViewController(std::weak_ptr<IntelligentView> view,
                                                     BrowserServices services, Options options)
    : view_(std::move(view)), services_(std::move(services)), options_(std::move(options)) {
    screenCapDirectory_ =
        options_.screenCapDirectory.empty() ? captureFolder() : options_.screenCapDirectory;
}

IntelligentViewController::~IntelligentViewController() {
    if (recoveryObserver_ != 0) {
        NotificationCenter::defaultCenter().removeObserver(recoveryObserver_);
    }
    services_.core.clearDelegate(this);
    // The recorder's thread ends before the sender it feeds goes.
    levelMeter_.reset();
    recorder_.reset();
}

const std::optional<std::string>& IntelligentViewController::lastSentVolume() {
    return lastSentVolumeText();
}

void IntelligentViewController::resetLastSentVolumeForTests() {
    lastSentVolumeText().reset();
}

void IntelligentViewController::viewDidLoad() {
    if (recoveryObserver_ == 0) {
        std::weak_ptr<IntelligentViewController> weak = weak_from_this();
        recoveryObserver_ = NotificationCenter::defaultCenter().addObserver(
            AuthCore::kLinkRecoveryNotification, [weak](const std::string&, const UserInfo&) {
                auto self = weak.lock();
                if (self && self->services_.core.linkRecoveryState().phase ==
                                LinkRecoveryState::Phase::Restored) {
                    self->linkRestored();
                }
            });
    }
    auto v = view();
    if (v) {
        v->setTitle("intelligent control");
        v->setMenu(menu_.datas());
    }
    if (auto stored = Settings::standard().lastVolumeValue()) {
        lastVolumeValue_ = *stored;
        sliderValue_ = std::clamp(std::strtof(stored->c_str(), nullptr), 0.0f, 100.0f);
        if (v) {
            v->setVolume(sliderValue_);
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(screenCapDirectory_, ec);
    viewWillAppear();
    menu_.setTarget([this](std::int32_t) { ClassifyViewChange(); });
    menu_.selectDataAtIndex(0);
}

void IntelligentViewController::viewWillAppear() {
    services_.core.setDelegate(shared_from_this());
}

void IntelligentViewController::viewWillDisappear() {
    timer_.reset();
    if (!lastVolumeValue_.empty()) {
        Settings::standard().setLastVolumeValue(lastVolumeValue_);
    }
}

// --- sections

void IntelligentViewController::selectSection(std::size_t index) {
    menu_.selectDataAtIndex(index);
}

void IntelligentViewController::ClassifyViewChange() {
    if (auto v = view()) {
        if (auto index = menu_.selectedIndex()) {
            v->setSelectedMenu(*index);
        }
    }
    buildSection(menu_.selectedData());
}

void IntelligentViewController::handleSwipeFrom(bool left) {
    const std::size_t count = menu_.GetMenuItemCount();
    const std::size_t index = menu_.selectedIndex().value_or(0);
    menu_.selectDataAtIndex(left ? (index + 1) % count : (index + count - 1) % count);
}

void IntelligentViewController::buildSection(std::int32_t value) {
    nCurSelect_ = value;
    PanelSection section;
    section.value = value;
    using P = PadPosition;
    switch (value) {
        case kSectionComputer:
            section.computerControls = true;
            services_.stat(kStatComputerSection);
            break;
        case kSectionMusic:
            section.pad = {{P::Left, 0, "previous track"},
                           {P::Right, 1, "next track"},
                           {P::Up, 2, "volume up"},
                           {P::Down, 3, "volume down"},
                           {P::Centre, 4, "play"}};
            section.hintKey = "set music player";
            musicShowsPause_ = false;
            services_.stat(kStatMusicSection);
            break;
        case kSectionSlides:
            section.pad = {{P::Left, 0, "previous page"},
                           {P::Right, 1, "next page"},
                           {P::Up, 2, "open presentation"},
                           {P::Down, 3, "black screen"},
                           {P::Centre, 4, "start"}};
            slidesShowEnd_ = false;
            services_.stat(kStatSlidesSection);
            break;
        case kSectionGamepad:
            section.pad = {{P::Left, 0, "gamepad settings 1"},
                           {P::Right, 1, "gamepad settings 2"},
                           {P::Up, -1, "", false},
                           {P::Down, -1, "", false},
                           {P::Centre, 2, "start gamepad"}};
            break;
        case kSectionMicrophone:
            section.microphone = true;
            break;
        default:
            return;
    }
    if (auto v = view()) {
        v->showSection(section);
        if (section.microphone) {
            v->setMicLevel(0);
        }
    }
}

void IntelligentViewController::showToggle() {
    auto v = view();
    if (!v) {
        return;
    }
    if (nCurSelect_ == kSectionMusic) {
        v->setToggle(musicShowsPause_ ? "pause" : "play");
    } else if (nCurSelect_ == kSectionSlides) {
        v->setToggle(slidesShowEnd_ ? "end" : "start");
    }
}

void IntelligentViewController::setMusicShowsPause(bool pause) {
    musicShowsPause_ = pause;
    showToggle();
}

void IntelligentViewController::setSlidesShowEnd(bool end) {
    slidesShowEnd_ = end;
    showToggle();
}

// --- power and capture

void IntelligentViewController::BnShutDown() {
    askPower(powerOf(PowerCommand::Shutdown));
}
void IntelligentViewController::BnLockScreen() {
    askPower(powerOf(PowerCommand::LockScreen));
}
void IntelligentViewController::BnHibernation() {
    askPower(powerOf(PowerCommand::Standby));
}
void IntelligentViewController::BnRestart() {
    askPower(powerOf(PowerCommand::Reboot));
}

void IntelligentViewController::askPower(const PanelPowerFacts& facts) {
    services_.stat(facts.stat);
    auto v = view();
    if (!v) {
        return;
    }
    std::weak_ptr<IntelligentViewController> weak = weak_from_this();
    const PanelPowerFacts* chosen = &facts;
    v->askConfirmation(facts.confirmKey, {"cancel", "ok"}, [weak, chosen](int button) {
        auto self = weak.lock();
        if (!self) {
            return;
        }
        if (button == 1) {
            self->sendPower(*chosen);
        } else if (auto view = self->view()) {
            view->powerCommandEnded(chosen->command, RemoteOutcome::Cancelled);
        }
    });
}

void IntelligentViewController::sendPower(const PanelPowerFacts& facts) {
    if (auto v = view()) {
        v->showProgress(facts.actionKey);
    }
    pendingPower_ = facts.commandNumber;
    const std::uint64_t serial = ++powerSerial_;
    (services_.core.*facts.send)();
    // The computer may never answer a power command (it is going down); the progress must end.
    std::weak_ptr<IntelligentViewController> weak = weak_from_this();
    const PanelPowerFacts* sent = &facts;
    MainQueue::shared().after(options_.powerAnswerLimit, [weak, serial, sent] {
        auto self = weak.lock();
        if (!self || self->powerSerial_ != serial || !self->pendingPower_) {
            return;
        }
        self->pendingPower_.reset();
        if (auto v = self->view()) {
            v->hideProgress();
            v->showTip("no answer from the computer", kNoAnswerTipTime);
            v->powerCommandEnded(sent->command, RemoteOutcome::NoAnswer);
        }
    });
}

void IntelligentViewController::powerAnswered(int command) {
    const PanelPowerFacts* facts = powerOfCommand(command);
    if (pendingPower_ == command) {
        pendingPower_.reset();
    }
    if (auto v = view()) {
        v->hideProgress();
        v->showTip(facts->successKey, kTipTime);
        v->powerCommandEnded(facts->command, RemoteOutcome::Succeeded);
    }
}

void IntelligentViewController::BnCaptureScreen() {
    if (auto v = view()) {
        v->showProgress("screenshot");
    }
    services_.core.RemoteCaptureScreen();
    services_.stat(kStatCapture);
}

void IntelligentViewController::ReCapture() {
    if (auto v = view()) {
        v->closeCaptureViewer();
    }
    services_.core.RemoteCaptureScreen();
    services_.stat(kStatCaptureAgain);
}

void IntelligentViewController::captureArrived(std::shared_ptr<const std::string> data) {
    auto v = view();
    if (v) {
        v->hideProgress();
    }
    if (!data || !decodablePicture(*data)) {
        if (v) {
            v->captureEnded(CaptureOutcome::NotAPicture, "");
        }
        return;
    }
    std::weak_ptr<IntelligentViewController> weak = weak_from_this();
    ConcurrentQueue::global().async([weak, data, folder = screenCapDirectory_] {
        const std::filesystem::path saved = saveCapture(folder, *data, std::time(nullptr));
        MainQueue::shared().async([weak, data, saved] {
            auto self = weak.lock();
            auto view = self ? self->view() : nullptr;
            if (!view) {
                return;
            }
            view->openCaptureViewer({CaptureImage{saved.string(), data}}, 0);
            view->captureEnded(saved.empty() ? CaptureOutcome::NotSaved : CaptureOutcome::Saved,
                               saved.string());
        });
    });
}

void IntelligentViewController::photoBrowserViewAllCaptureHistory() {
    auto v = view();
    if (v) {
        v->closeCaptureViewer();
    }
    auto history = std::make_shared<ScreenHisTableController>(std::weak_ptr<ScreenHistoryView>(),
                                                              services_, screenCapDirectory_);
    if (v) {
        history->setView(v->presentCaptureHistory(history));
    }
    history->viewDidLoad();
    services_.stat(kStatViewAllCaptures);
}

// --- volume

void IntelligentViewController::SliderVolume(float value) {
    if (!timer_) {
        std::weak_ptr<IntelligentViewController> weak = weak_from_this();
        timer_ = std::make_unique<RepeatingTimer>(MainQueue::shared(), options_.volumeInterval,
                                                  options_.volumeInterval, 0ms, [weak] {
                                                      if (auto self = weak.lock()) {
                                                          self->VolumeValueSendTimer();
                                                      }
                                                  });
        timer_->start();
    }
    sliderValue_ = std::clamp(value, 0.0f, 100.0f);
    lastVolumeValue_ = volumeText(sliderValue_);
}

void IntelligentViewController::VolumeValueSendTimer() {
    auto& lastSent = lastSentVolumeText();
    if (lastVolumeValue_.empty() || lastSent == lastVolumeValue_) {
        return;
    }
    lastSent = lastVolumeValue_;
    VolumePlugControl(lastVolumeValue_, false);
}

void IntelligentViewController::BnVolumeMute() {
    bMute_ = !bMute_;
    if (auto v = view()) {
        v->setMuteSelected(bMute_);
    }
    VolumePlugControl(lastVolumeValue_, true);
}

void IntelligentViewController::BnVolumeMax() {
    sliderValue_ = 100;
    lastVolumeValue_ = "100";
    if (auto v = view()) {
        v->setVolume(sliderValue_);
    }
}

void IntelligentViewController::VolumePlugControl(const std::string& volume, bool isMute) {
    sendPlug(makePlugMessage("1", isMute ? "1" : "0", volume), 0ms);
    services_.stat(kStatVolumeSent);
}

// --- music, slides, gamepad, microphone

void IntelligentViewController::SongBnClick(int tag) {
    struct Key {
        int tag;
        const char* command;
        int stat;
    };
    static constexpr Key kKeys[] = {{0, "3", kStatPreviousTrack},
                                    {1, "4", kStatNextTrack},
                                    {2, "1", kStatMusicVolume},
                                    {3, "2", kStatMusicVolume}};
    for (const Key& key : kKeys) {
        if (key.tag == tag) {
            MusicPlugControl(key.command);
            services_.stat(key.stat);
            return;
        }
    }
    if (tag == 4) {
        services_.stat(musicShowsPause_ ? kStatPause : kStatPlay);
        setMusicShowsPause(!musicShowsPause_);
        MusicPlugControl("5");
    }
}

void IntelligentViewController::MusicPlugControl(const std::string& command) {
    sendPlug(makePlugMessage("3", command), options_.padPause);
}

void IntelligentViewController::PPTBnClick(int tag) {
    switch (tag) {
        case 0:
            PPTPlugControl("3", "");
            services_.stat(kStatPreviousPage);
            return;
        case 1:
            PPTPlugControl("4", "");
            services_.stat(kStatNextPage);
            return;
        case 3:
            PPTPlugControl("2", "");
            services_.stat(kStatBlackScreen);
            return;
        case 4:
            services_.stat(slidesShowEnd_ ? kStatEndShow : kStatStartShow);
            setSlidesShowEnd(!slidesShowEnd_);
            PPTPlugControl("5", "");
            return;
        case 2:
            break;
        default:
            return;
    }
    // Open a presentation: the file browser in its picking mode hands back the chosen path.
    std::weak_ptr<IntelligentViewController> weak = weak_from_this();
    picker_ = std::make_shared<DiskViewController>(std::weak_ptr<DiskView>(), services_);
    picker_->setPresentationPick([weak](const std::string& path) {
        auto self = weak.lock();
        if (!self) {
            return;
        }
        if (auto v = self->view()) {
            v->closePresentationPicker();
        }
        self->viewWillAppear();
        self->PPTPlugControl("1", path);
    });
    if (auto v = view()) {
        picker_->setView(v->presentPresentationPicker(picker_));
    }
    picker_->viewDidLoad();
    services_.stat(kStatOpenPresentation);
}

void IntelligentViewController::PPTPlugControl(const std::string& command,
                                               const std::string& filePath) {
    sendPlug(makePlugMessage("4", command, computerPath(filePath)), options_.padPause);
}

void IntelligentViewController::GameBnClick(int tag) {
    if (tag == 0 || tag == 1) {
        gamepadSettings_ = std::make_shared<GameHandleSetVC>(std::weak_ptr<GameHandleSetView>(),
                                                             UserDefaults::standard(), tag + 1);
        if (auto v = view()) {
            gamepadSettings_->setView(v->presentGamepadSettings(gamepadSettings_));
        }
        gamepadSettings_->viewDidLoad();
    } else if (tag == 2) {
        GamePlugControl();
    }
}

void IntelligentViewController::GamePlugControl() {
    sendPlug(makePlugMessage("5", "1"), options_.padPause);
}

void IntelligentViewController::MicBnClick() {
    if (recorder_ && recorder_->isRunning()) {
        recorder_->stop();  // its stop block releases it
        if (auto v = view(); v && nCurSelect_ == kSectionMicrophone) {
            v->setMicLevel(0);
        }
    } else if (!recorder_) {
        MicPlugControl();
    }
}

bool IntelligentViewController::microphoneRunning() const {
    return recorder_ && recorder_->isRunning();
}

MicrophoneReport IntelligentViewController::microphoneReport() const {
    MicrophoneReport report;
    if (audioStreamTransfer_) {
        const AudioStreamTransfer::Stats stats = audioStreamTransfer_->stats();
        report.bytesSent = micCounters_->bytesSent.load();
        report.buffersLost = stats.buffersLost;
        report.buffersDropped = stats.buffersDropped;
        report.delayMs = audioStreamTransfer_->queuedDelayMs();
    }
    return report;
}

void IntelligentViewController::startMicrophone(std::int32_t port) {
    if (recorder_) {
        return;  // already streaming (a second acceptance changes nothing)
    }
    AudioOpenResult opened =
        options_.microphone ? options_.microphone() : AlsaAudioInput::open("default");
    if (!opened) {
        microphoneEnded(true, opened.error);
        return;
    }
    if (!audioStreamTransfer_) {
        micCounters_ = std::make_shared<MicrophoneCounters>();
        audioStreamTransfer_ = std::make_shared<AudioStreamTransfer>();
        audioStreamTransfer_->setSentObserver(
            [counters = micCounters_](const AudioStreamTransfer::Sent& sent) {
                if (sent.written) {
                    counters->bytesSent += sent.bytes;
                }
            });
    }
    recorder_ = std::make_unique<Recorder>(std::move(opened.input));
    std::weak_ptr<IntelligentViewController> weak = weak_from_this();
    recorder_->GetAudioStreamBlock([transfer = audioStreamTransfer_, ip = services_.core.serverIp,
                                    port](std::vector<std::uint8_t> bytes) {
        transfer->ConnectServer(ip, port, std::move(bytes));
    });
    recorder_->StopAudioStreamBlock([weak](const RecorderStop& stop) {
        if (auto self = weak.lock()) {
            self->microphoneEnded(stop.interrupted, stop.message);
        }
    });
    if (!recorder_->start()) {
        recorder_.reset();
        microphoneEnded(true, "the microphone could not start");
        return;
    }
    levelMeter_ = std::make_unique<AQLevelMeter>();
    levelMeter_->GetAQLevelMeterBlock([weak](float level) {
        auto self = weak.lock();
        auto v = self ? self->view() : nullptr;
        if (v && self->nCurSelect_ == kSectionMicrophone) {
            v->setMicLevel(micLevelImage(level));
            v->setMicDelay(self->audioStreamTransfer_->queuedDelayMs());
        }
    });
    levelMeter_->setAq(recorder_->aq());
    if (auto v = view()) {
        v->microphoneStarted();
    }
}

void IntelligentViewController::linkRestored() {
    if (gamepad_) {
        GamePlugControl();
    }
    if (microphoneRunning()) {
        // The link sends one message at a time: the pad's question goes first.
        std::weak_ptr<IntelligentViewController> weak = weak_from_this();
        MainQueue::shared().after(gamepad_ ? 300ms : 0ms, [weak] {
            if (auto self = weak.lock(); self && self->microphoneRunning()) {
                self->MicPlugControl();
            }
        });
    }
}

void IntelligentViewController::microphoneEnded(bool interrupted, const std::string& message) {
    // Runs after the capture thread has ended, so the recorder may go.
    levelMeter_.reset();
    recorder_.reset();
    if (const auto port = std::exchange(restartMicOn_, std::nullopt)) {
        startMicrophone(*port);  // the computer listens on another port now
        return;
    }
    if (auto v = view()) {
        v->microphoneStopped(interrupted, message);
    }
}

void IntelligentViewController::MicPlugControl() {
    sendPlug(makePlugMessage("6", "1"), 0ms);
}

void IntelligentViewController::sendPlug(std::optional<PlugMessage> message,
                                         std::chrono::milliseconds pause) {
    if (!message) {
        return;
    }
    std::weak_ptr<IntelligentViewController> weak = weak_from_this();
    auto send = [weak, &core = services_.core, m = std::move(*message)] {
        core.PlugMessagePost(m.plugId, m.plugId, 1, m.content);
        if (auto self = weak.lock()) {
            if (auto v = self->view()) {
                v->plugMessageSent(m);
            }
        }
    };
    if (pause.count() > 0) {
        MainQueue::shared().after(pause, std::move(send));
    } else {
        send();
    }
}

// --- navigation

void IntelligentViewController::OpenHotspotList() {
    auto hotspot = std::make_shared<WifiMgrVC>(std::weak_ptr<WifiMgrView>(), services_.core);
    if (auto v = view()) {
        hotspot->setView(v->presentHotspot(hotspot));
    }
    hotspot->viewDidLoad();
}

void IntelligentViewController::NvFuncMore() {
    if (auto v = view()) {
        v->presentMore();
    }
}

void IntelligentViewController::DoBack() {
    if (auto v = view()) {
        v->closeScreen();
    }
}

// --- answers

void IntelligentViewController::AuthCoreCommandSucess(int command,
                                                      std::shared_ptr<const std::string> data) {
    if (command == kCaptureCommand) {
        captureArrived(std::move(data));
    } else if (powerOfCommand(command)) {
        powerAnswered(command);
    } else if (auto v = view()) {
        v->hideProgress();
    }
}

void IntelligentViewController::AuthCoreCommandFaile(int command) {
    if (command != kCaptureCommand) {
        return;
    }
    if (auto v = view()) {
        v->hideProgress();
        v->showTip("lockscreen failed", kTipTime);
        v->captureEnded(CaptureOutcome::Failed, "");
    }
}

void IntelligentViewController::AuthCoreMsgPostSucess(std::int32_t handlePort, int plugType) {
    auto v = view();
    if (v) {
        v->plugAccepted(plugType, handlePort);
    }
    if (plugType == 5) {
        if (gamepad_ && gamepad_->nPort() == handlePort &&
            gamepad_->strIP() == services_.core.serverIp) {
            return;  // asked again after a reconnection: the open pad still reaches it
        }
        // A pad still open lifts its keys first.
        gamepad_.reset();
        gamepad_ = std::make_shared<GameHandleViewController>(
            std::weak_ptr<GameHandleView>(), GameHandleViewController::standardServices(),
            std::string(services_.core.serverIp), handlePort);
        if (v) {
            gamepad_->setView(v->presentGamepad(gamepad_));
        }
        gamepad_->viewDidLoad();
    } else if (plugType == 6) {
        const bool moved = recorder_ && microphonePort_ != handlePort;
        microphonePort_ = handlePort;
        if (moved) {
            restartMicOn_ = handlePort;
            recorder_->stop();  // its stop block starts the stream again on the new port
            return;
        }
        startMicrophone(handlePort);
    }
}

}  // namespace pd
