// The remote control panel against a scripted computer: the exact plug messages of every
// control, the volume sender's rules, sections and swipes, power commands and captures.

#include "BrowserTestSupport.h"
#include "PictureBytes.h"

#include "controllers/CaptureFiles.h"
#include "controllers/GameHandleSetVC.h"
#include "controllers/GameHandleViewController.h"
#include "controllers/IntelligentViewController.h"
#include "core/Settings.h"
#include "platform/AtomicFile.h"
#include "platform/FileAudioInput.h"
#include "support/SoundFiles.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include "platform/UserDefaults.h"

namespace pd::test::browser {
namespace {

using namespace std::chrono_literals;

struct RecordingPanelView : Recording<IntelligentView> {
    std::vector<CaptureImage> viewerImages;
    std::string capturePath;
    std::optional<CaptureOutcome> capture;
    std::optional<RemoteOutcome> power;

    void showSection(const PanelSection& s) override {
        std::string text = "section " + std::to_string(s.value);
        for (const PadControl& c : s.pad) {
            text += " " + (c.enabled ? c.labelKey : "-");
        }
        add(text + (s.computerControls ? " computer" : "") + (s.microphone ? " mic" : ""));
    }
    void setSelectedMenu(std::size_t i) override { add("menu " + std::to_string(i)); }
    void setToggle(const std::string& key) override { add("toggle " + key); }
    void setVolume(float v) override { add("volume " + std::to_string(static_cast<int>(v))); }
    void setMuteSelected(bool on) override { add(on ? "mute on" : "mute off"); }
    void openCaptureViewer(const std::vector<CaptureImage>& images, std::size_t) override {
        viewerImages = images;
        add("viewer " + std::to_string(images.size()));
    }
    void powerCommandEnded(PowerCommand, RemoteOutcome o) override { power = o; }
    void microphoneStarted() override { add("mic started"); }
    void microphoneStopped(bool interrupted, const std::string& message) override {
        add(std::string(interrupted ? "mic interrupted " : "mic stopped ") + message);
    }
    std::shared_ptr<GameHandleSetView> presentGamepadSettings(
        const std::shared_ptr<GameHandleSetVC>& s) override {
        add("gamepad settings " + std::to_string(s->setType()));
        return nullptr;
    }
    std::shared_ptr<GameHandleView> presentGamepad(
        const std::shared_ptr<GameHandleViewController>& pad) override {
        add("gamepad " + pad->strIP() + ":" + std::to_string(pad->nPort()));
        return nullptr;
    }
    void captureEnded(CaptureOutcome o, const std::string& path) override {
        capture = o;
        capturePath = path;
    }
};

class RemoteControlTest : public BrowserTest {
  protected:
    void SetUp() override {
        BrowserTest::SetUp();
        IntelligentViewController::resetLastSentVolumeForTests();
    }
    // A panel on the computer section; its volume sender ticks only when the test says so.
    std::shared_ptr<IntelligentViewController> openPanel(
        std::chrono::milliseconds volumeInterval = 1h) {
        IntelligentViewController::Options options;
        options.volumeInterval = volumeInterval;
        options.padPause = 1ms;
        options.powerAnswerLimit = 100ms;
        options.screenCapDirectory = home() / "caps";
        auto panel = std::make_shared<IntelligentViewController>(view, services(), options);
        panel->viewDidLoad();
        return panel;
    }

    // The computer's program restarts: the link drops, the phone reconnects at once and the
    // computer accepts it with a new ticket.
    void restartComputer() {
        core().setAutoReconnect(true);
        core().setReconnectDelays([](int) { return 1ms; });
        pc.closeLink();
        ASSERT_TRUE(pumpMainUntil([&] { return pc.accept(0ms); }));
        ASSERT_TRUE(pc.readMessage());
        pc.sendMessage(1039, pack({I(255), I(0), R("TICKET-2")}));
    }

    std::shared_ptr<RecordingPanelView> view = std::make_shared<RecordingPanelView>();
    ScriptedComputer pc;
};

std::string plug(const std::string& id, const std::string& json) {
    return "26: 5000 \"" + id + "\" \"" + id + "\" 1 \"" + json + "\"";
}

TEST_F(RemoteControlTest, EveryControlSendsItsPlugMessageAndStatistic) {
    link(pc);
    auto panel = openPanel();
    struct Case {
        std::int32_t section;
        std::function<void(IntelligentViewController&)> press;
        std::string request;
        int stat;  // 0: none
    };
    using P = IntelligentViewController;
    const Case cases[] = {
        {P::kSectionMusic, [](P& p) { p.SongBnClick(0); }, plug("3", R"({"c":"3"})"), 74},
        {P::kSectionMusic, [](P& p) { p.SongBnClick(1); }, plug("3", R"({"c":"4"})"), 75},
        {P::kSectionMusic, [](P& p) { p.SongBnClick(2); }, plug("3", R"({"c":"1"})"), 76},
        {P::kSectionMusic, [](P& p) { p.SongBnClick(3); }, plug("3", R"({"c":"2"})"), 76},
        {P::kSectionMusic, [](P& p) { p.SongBnClick(4); }, plug("3", R"({"c":"5"})"), 72},
        {P::kSectionMusic, [](P& p) { p.SongBnClick(4); }, plug("3", R"({"c":"5"})"), 73},
        {P::kSectionSlides, [](P& p) { p.PPTBnClick(0); }, plug("4", R"({"c":"3","d":""})"), 79},
        {P::kSectionSlides, [](P& p) { p.PPTBnClick(1); }, plug("4", R"({"c":"4","d":""})"), 80},
        {P::kSectionSlides, [](P& p) { p.PPTBnClick(3); }, plug("4", R"({"c":"2","d":""})"), 81},
        {P::kSectionSlides, [](P& p) { p.PPTBnClick(4); }, plug("4", R"({"c":"5","d":""})"), 78},
        {P::kSectionSlides, [](P& p) { p.PPTBnClick(4); }, plug("4", R"({"c":"5","d":""})"), 82},
        {P::kSectionSlides, [](P& p) { p.PPTPlugControl("1", "D:/talks/q1.pptx"); },
         plug("4", R"({"c":"1","d":"D:\\talks\\q1.pptx"})"), 0},
        // A name with a quote is escaped by the JSON writer, never pasted in.
        {P::kSectionSlides, [](P& p) { p.PPTPlugControl("1", R"(C:/a"b.ppt)"); },
         plug("4", R"({"c":"1","d":"C:\\a\"b.ppt"})"), 0},
        {P::kSectionGamepad, [](P& p) { p.GameBnClick(2); }, plug("5", R"({"c":"1"})"), 0},
        {P::kSectionMicrophone, [](P& p) { p.MicBnClick(); }, plug("6", R"({"c":"1"})"), 0},
        {P::kSectionComputer, [](P& p) { p.BnVolumeMute(); }, plug("1", R"({"c":"1","d":""})"), 71},
    };
    for (const Case& c : cases) {
        if (panel->nCurSelect() != c.section) {
            view->clear();
            panel->selectSection(static_cast<std::size_t>(c.section / 10 - 1));
        }
        stats.clear();
        c.press(*panel);
        EXPECT_EQ(nextRequest(pc), c.request);
        EXPECT_EQ(stats, c.stat ? std::vector<int>{c.stat} : std::vector<int>{}) << c.request;
    }
    // A press the pad does not have sends nothing: the next message is the microphone's.
    stats.clear();
    panel->SongBnClick(9);
    panel->PPTBnClick(9);
    panel->GameBnClick(0);
    panel->MicBnClick();
    EXPECT_EQ(nextRequest(pc), plug("6", R"({"c":"1"})"));
    EXPECT_TRUE(stats.empty());
}

TEST_F(RemoteControlTest, GamepadScreensOpenWithTheAnnouncedPortAndAskAgainAfterAReconnection) {
    link(pc);
    auto panel = openPanel();
    panel->selectSection(3);
    panel->GameBnClick(1);
    EXPECT_EQ(view->events.back(), "gamepad settings 2");
    panel->GameBnClick(2);
    EXPECT_EQ(nextRequest(pc), plug("5", R"({"c":"1"})"));
    pc.sendMessage(26, pack({I(0), I(0), I(0), I(0), R(R"({"c":"1","d":"7070"})")}));
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("gamepad 127.0.0.1:7070"); }));
    ASSERT_TRUE(panel->gamepad());
    EXPECT_EQ(panel->gamepad()->setType(), 2);  // the configuration whose settings were opened

    // The computer's program restarts: once the link is restored, the open pad asks again and
    // follows the port announced now.
    ASSERT_NO_FATAL_FAILURE(restartComputer());
    EXPECT_EQ(nextRequest(pc), plug("5", R"({"c":"1"})"));
    pc.sendMessage(26, pack({I(0), I(0), I(0), I(0), R(R"({"c":"1","d":"7171"})")}));
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("gamepad 127.0.0.1:7171"); }));
    EXPECT_EQ(panel->gamepad()->nPort(), 7171);
}

// Accepts one connection on 127.0.0.1 and reads `want` bytes from it.
std::future<std::string> receiveStream(int& port, std::size_t want) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
    ::listen(fd, 1);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return std::async(std::launch::async, [fd, want] {
        timeval limit{5, 0};
        std::string got;
        int conn = ::accept(fd, nullptr, nullptr);
        ::setsockopt(conn, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        char buf[4096];
        while (got.size() < want) {
            const ssize_t n = ::recv(conn, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        ::close(conn);
        ::close(fd);
        return got;
    });
}

TEST_F(RemoteControlTest, TheMicrophoneStreamsItsInputToTheAnnouncedPortUntilItEnds) {
    link(pc);
    const auto wav = home() / "voice.wav";
    const auto samples = rampSamples(8000);  // one second
    writeWav16(wav, 8000, 1, samples);
    IntelligentViewController::Options options;
    options.screenCapDirectory = home() / "caps";
    bool failing = true;
    options.microphone = [&] {
        return failing ? AudioOpenResult{nullptr, "no capture device"}
                       : FileAudioInput::open(wav, {.paced = false});
    };
    auto panel = std::make_shared<IntelligentViewController>(view, services(), options);
    panel->viewDidLoad();
    panel->selectSection(4);

    // An input that cannot open ends the stream before it starts, with its reason.
    panel->MicBnClick();
    EXPECT_EQ(nextRequest(pc), plug("6", R"({"c":"1"})"));
    pc.sendMessage(26, pack({I(0), I(0), I(0), I(0), R(R"({"c":"1","d":"9"})")}));
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("mic interrupted no capture device"); }));
    EXPECT_FALSE(panel->microphoneRunning());

    failing = false;
    int port = 0;
    auto received = receiveStream(port, 16000);
    panel->MicBnClick();
    EXPECT_EQ(nextRequest(pc), plug("6", R"({"c":"1"})"));
    pc.sendMessage(26, pack({I(0), I(0), I(0), I(0),
                             R(R"({"c":"1","d":")" + std::to_string(port) + R"("})")}));
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("mic started"); }));
    // The file's end stops the recorder; every sample arrived, in order.
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("mic interrupted "); }));
    const auto bytes = asBytes(samples);
    EXPECT_EQ(received.get(), std::string(bytes.begin(), bytes.end()));
    EXPECT_TRUE(pumpMainUntil([&] { return panel->microphoneReport().bytesSent == 16000; }));
    EXPECT_FALSE(panel->microphoneRunning());
}

// The computer's program restarts while the microphone streams: once the link is restored, the
// stream asks for its port again and goes on to the port announced now.
TEST_F(RemoteControlTest, AStreamingMicrophoneFollowsTheComputerToItsNewPort) {
    link(pc);
    const auto wav = home() / "long.wav";
    writeWav16(wav, 8000, 1, rampSamples(8000 * 5));
    IntelligentViewController::Options options;
    options.screenCapDirectory = home() / "caps";
    options.microphone = [&] { return FileAudioInput::open(wav, {.paced = true}); };
    auto panel = std::make_shared<IntelligentViewController>(view, services(), options);
    panel->viewDidLoad();
    panel->selectSection(4);
    const auto announce = [&](int port) {
        EXPECT_EQ(nextRequest(pc), plug("6", R"({"c":"1"})"));
        pc.sendMessage(26, pack({I(0), I(0), I(0), I(0),
                                 R(R"({"c":"1","d":")" + std::to_string(port) + R"("})")}));
    };
    int first = 0;
    auto before = receiveStream(first, 1600);
    panel->MicBnClick();
    announce(first);
    ASSERT_TRUE(
        pumpMainUntil([&] { return before.wait_for(0s) == std::future_status::ready; }, 10s));
    EXPECT_GE(before.get().size(), 1600u);

    ASSERT_NO_FATAL_FAILURE(restartComputer());
    int second = 0;
    auto after = receiveStream(second, 1600);
    announce(second);
    ASSERT_TRUE(
        pumpMainUntil([&] { return after.wait_for(0s) == std::future_status::ready; }, 10s));
    EXPECT_GE(after.get().size(), 1600u);
    EXPECT_EQ(panel->microphonePort(), second);
    panel->MicBnClick();
    EXPECT_TRUE(pumpMainUntil([&] { return !panel->microphoneRunning(); }));
}

TEST_F(RemoteControlTest, VolumeGoesOutAtMostOncePerTickAndOnlyWhenChanged) {
    link(pc);
    auto panel = openPanel();
    // Full volume before the first slider move: no sender runs, nothing goes out.
    panel->BnVolumeMax();
    EXPECT_FALSE(panel->hasVolumeTimer());
    EXPECT_EQ(panel->lastVolumeValue(), "100");

    panel->SliderVolume(40.5f);  // ties round to even
    EXPECT_EQ(panel->lastVolumeValue(), "40");
    panel->VolumeValueSendTimer();
    EXPECT_EQ(nextRequest(pc), plug("1", R"({"c":"0","d":"40"})"));
    // 40 -> 41 -> 40 within one tick: 40 was sent last, so nothing; the mute press proves it.
    panel->SliderVolume(41);
    panel->SliderVolume(40);
    panel->VolumeValueSendTimer();
    panel->BnVolumeMute();
    EXPECT_EQ(nextRequest(pc), plug("1", R"({"c":"1","d":"40"})"));
    panel->BnVolumeMute();  // mute flips back, and the same message goes out again
    EXPECT_EQ(nextRequest(pc), plug("1", R"({"c":"1","d":"40"})"));
    EXPECT_TRUE(view->saw("mute on"));
    EXPECT_TRUE(view->saw("mute off"));
    // Full volume while the sender runs goes out at its next tick.
    panel->BnVolumeMax();
    panel->VolumeValueSendTimer();
    EXPECT_EQ(nextRequest(pc), plug("1", R"({"c":"0","d":"100"})"));

    // Leaving keeps the volume; the next panel starts from it and, as 100 was sent last in this
    // process, does not send it again.
    panel->viewWillDisappear();
    EXPECT_FALSE(panel->hasVolumeTimer());
    EXPECT_EQ(Settings::standard().lastVolumeValue(), "100");
    view->clear();
    auto next = openPanel(20ms);
    EXPECT_TRUE(view->saw("volume 100"));
    next->SliderVolume(100);
    MainQueue::shared().runFor(60ms);
    next->SliderVolume(41.5f);  // the real sender, ticking on its own
    EXPECT_EQ(nextRequest(pc), plug("1", R"({"c":"0","d":"42"})"));
}

TEST_F(RemoteControlTest, SectionsFollowTheMenuAndSwipesWrapAround) {
    auto panel = openPanel();
    EXPECT_EQ(view->events.front(), "menu 0");
    EXPECT_TRUE(view->saw("section 10 computer"));
    panel->selectSection(1);
    EXPECT_TRUE(view->saw("section 20 previous track next track volume up volume down play"));
    panel->SongBnClick(4);
    EXPECT_EQ(view->events.back(), "toggle pause");
    panel->handleSwipeFrom(true);  // music, swipe left: slides
    EXPECT_EQ(panel->nCurSelect(), IntelligentViewController::kSectionSlides);
    panel->handleSwipeFrom(false);  // back to music: it shows "play" again
    EXPECT_EQ(view->events.back(),
              "section 20 previous track next track volume up volume down play");
    EXPECT_FALSE(panel->musicShowsPause());
    panel->selectSection(4);
    EXPECT_EQ(view->events.back(), "section 50 mic");
    panel->handleSwipeFrom(true);  // from the last, left wraps to the first
    EXPECT_EQ(panel->nCurSelect(), IntelligentViewController::kSectionComputer);
    panel->handleSwipeFrom(false);  // from the first, right wraps to the last
    EXPECT_EQ(panel->nCurSelect(), IntelligentViewController::kSectionMicrophone);
    panel->selectSection(3);
    EXPECT_EQ(view->events.back(),
              "section 40 gamepad settings 1 gamepad settings 2 - - "
              "start gamepad");
    // Section statistics: computer, music, slides, music again; none for gamepad or microphone.
    EXPECT_EQ(stats, (std::vector<int>{59, 60, 72, 61, 60, 59}));
}

TEST_F(RemoteControlTest, PowerCommandsAskFirstAndEndTheirProgressEitherWay) {
    link(pc);
    auto panel = openPanel();
    struct Case {
        void (IntelligentViewController::*press)();
        std::string confirm, progress, request, success;
        int answerCode, number, stat;
    };
    using P = IntelligentViewController;
    const Case cases[] = {
        {&P::BnShutDown, "sure shutdown", "shutdown", "25: 1003", "shutdown successful", 1025, 1003,
         70},
        {&P::BnLockScreen, "sure lockScreen", "lockScreen", "20: 1001", "lockscreen successful",
         1020, 1001, 64},
        {&P::BnHibernation, "sure hibernation", "hibernation", "22: 1005", "hibernation successful",
         1022, 1005, 65},
        {&P::BnRestart, "sure reboot", "reboot", "24: 1004", "reboot successful", 1024, 1004, 69},
    };
    for (const Case& c : cases) {
        // "cancel" sends nothing.
        view->clear();
        stats.clear();
        ((*panel).*c.press)();
        EXPECT_EQ(view->events, (std::vector<std::string>{"ask " + c.confirm + ":cancel|ok"}));
        view->answer(0);
        EXPECT_EQ(view->power, RemoteOutcome::Cancelled);
        // "ok" sends it, and the computer's answer ends the progress with the success tip.
        ((*panel).*c.press)();
        view->answer(1);
        EXPECT_EQ(nextRequest(pc), c.request);
        pc.sendMessage(c.answerCode, pack({I(c.number), I(0)}));
        ASSERT_TRUE(pumpMainUntil([&] { return view->power == RemoteOutcome::Succeeded; }));
        EXPECT_EQ(view->events,
                  (std::vector<std::string>{
                      "ask " + c.confirm + ":cancel|ok", "ask " + c.confirm + ":cancel|ok",
                      "progress " + c.progress, "hide progress", tipEvent(c.success)}))
            << c.request;
        EXPECT_EQ(stats, (std::vector<int>{c.stat, c.stat}));
        view->power.reset();
    }
    // A computer going down may never answer: the progress still ends, with a tip.
    view->clear();
    panel->BnLockScreen();
    view->answer(1);
    EXPECT_EQ(nextRequest(pc), "20: 1001");
    ASSERT_TRUE(pumpMainUntil([&] { return view->power.has_value(); }));
    EXPECT_EQ(view->power, RemoteOutcome::NoAnswer);
    EXPECT_EQ(view->events.back(), tipEvent("no answer from the computer", 2000));
}

TEST_F(RemoteControlTest, CapturesAreKeptByteForByteOnlyWhenTheyArePictures) {
    link(pc);
    auto panel = openPanel();
    const std::string picture = remote::bmp(3, 2);
    struct Case {
        std::string answerBody;
        CaptureOutcome outcome;
        bool stored;
    };
    const Case cases[] = {
        {pack({I(1002), I(0), R(picture)}), CaptureOutcome::Saved, true},
        {pack({I(1002), I(0), R("not a picture")}), CaptureOutcome::NotAPicture, false},
        // A header that claims 20000 x 20000 pixels is refused before any pixel is decoded.
        {pack({I(1002), I(0), R(remote::bmp(20000, 20000, false))}), CaptureOutcome::NotAPicture,
         false},
        {pack({I(1002), I(4), R("")}), CaptureOutcome::Failed, false},
    };
    for (const Case& c : cases) {
        view->capture.reset();
        view->clear();
        std::filesystem::remove_all(panel->screenCapDirectory());
        panel->BnCaptureScreen();
        EXPECT_EQ(nextRequest(pc), "23: 1002");
        pc.sendMessage(1023, c.answerBody);
        ASSERT_TRUE(pumpMainUntil([&] { return view->capture.has_value(); }));
        EXPECT_EQ(view->capture, c.outcome);
        EXPECT_EQ(view->events.front(), "progress screenshot");
        EXPECT_EQ(view->events.at(1), "hide progress");
        EXPECT_EQ(listCaptureNames(panel->screenCapDirectory()).size(), c.stored ? 1u : 0u);
        if (c.stored) {
            EXPECT_EQ(readWholeFile(view->capturePath, 1 << 20), picture);
            EXPECT_EQ(std::filesystem::path(view->capturePath).filename().string().size(),
                      std::string("20250101000005.jpg").size());
            ASSERT_EQ(view->viewerImages.size(), 1u);
            EXPECT_EQ(*view->viewerImages[0].bytes, picture);
        } else {
            EXPECT_FALSE(view->saw("viewer 1"));
        }
    }
    EXPECT_EQ(view->events.back(), tipEvent("lockscreen failed"));
    EXPECT_EQ(stats, (std::vector<int>{59, 66, 66, 66, 66}));
}

}  // namespace
}  // namespace pd::test::browser
