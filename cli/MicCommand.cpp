// mic: the phone's microphone streamed to the computer from the remote control panel, from a
// capture device or a sound file, with a level meter, until Ctrl-C, a time limit or the end
// of the file; then what was sent.

#include "Commands.h"
#include "RemotePanel.h"
#include "RunLoop.h"
#include "TextFormat.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace pd::cli {

namespace {

using Panel = IntelligentViewController;

// Without --seconds the stream runs until Ctrl-C or the end of its file.
constexpr auto kNoLimit = std::chrono::hours(24);
// How often the wait for the last buffers to leave looks again: the sender reports to no one.
constexpr auto kDrainLook = std::chrono::milliseconds(20);
constexpr double kBytesPerSecond = 16000;  // 8 kHz, 16-bit, mono

std::string meterLine(const TerminalPanelView& view) {
    const int level = std::clamp(view.micLevel, 0, 7);
    return "\r\033[Klevel [" + std::string(static_cast<std::size_t>(level), '#') +
           std::string(static_cast<std::size_t>(7 - level), ' ') + "] " + std::to_string(level) +
           "/7  delay " + std::to_string(view.micDelayMs) + " ms";
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

}  // namespace

int runMic(const GlobalOptions& options, const MicOptions& mic) {
    Output out(options.outputMode());
    if (!mic.wav.empty() && !mic.device.empty()) {
        out.error("mic: give --wav FILE or --device NAME, not both");
        return kExitUsage;
    }
    MicrophoneOpener opener = mic.wav.empty()
                                  ? microphoneDevice(mic.device.empty() ? "default" : mic.device)
                                  : microphoneFile(mic.wav);
    ComputerSession computer(options, out);
    RemotePanel panel;
    if (const int status = openRemotePanel(computer, out, panel, std::move(opener));
        status != kExitOk) {
        return status;
    }
    TerminalPanelView& view = *panel.view;
    selectPanelSection(*panel.screen, Panel::kSectionMicrophone);
    panel.screen->MicBnClick();
    if (!waitForPlugAccepted(computer, view, "6") ||
        !computer.waitForAnswer([&] { return view.micStarted || view.micStopped; },
                                "the microphone")) {
        panel.screen->viewWillDisappear();
        return kExitFailure;
    }
    if (!view.micStarted) {
        out.error("mic: " + (view.micStopped->second.empty() ? std::string("no sound input")
                                                             : view.micStopped->second));
        panel.screen->viewWillDisappear();
        return kExitFailure;
    }
    const auto limit = mic.seconds > 0 ? std::chrono::milliseconds(mic.seconds * 1000)
                                       : std::chrono::milliseconds(kNoLimit);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const bool drawsMeter = out.text() && ::isatty(STDERR_FILENO) == 1;
    std::string until = mic.wav.empty() ? "Ctrl-C" : "the end of the file or Ctrl-C";
    if (mic.seconds > 0) {
        until = std::to_string(mic.seconds) + " s, " + until;
    }
    out.say("streaming to the computer until " + until);
    std::uint64_t shown = view.micUpdates;
    std::string drawn;
    while (!view.micStopped && !computer.linkClosed() && !interrupted()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            break;
        }
        computer.waitFor([&] { return view.micStopped || view.micUpdates != shown; },
                         std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now));
        if (drawsMeter && view.micUpdates != shown && meterLine(view) != drawn) {
            drawn = meterLine(view);
            writeStderr(drawn);
        }
        shown = view.micUpdates;
    }
    if (drawsMeter) {
        writeStderr("\r\033[K");
    }
    // Stopped by the user (Ctrl-C or the time limit): the control is pressed again. Ctrl-C
    // must not cut these waits short.
    if (panel.screen->microphoneRunning()) {
        panel.screen->MicBnClick();
    }
    runMainUntil([&] { return view.micStopped.has_value() || computer.linkClosed(); },
                 options.answerLimit(), false);
    // The last buffers still leave before the panel (and its connection) goes.
    const auto drainEnd = std::chrono::steady_clock::now() + options.answerLimit();
    while (panel.screen->microphoneReport().delayMs > 0 && !computer.linkClosed() &&
           std::chrono::steady_clock::now() < drainEnd) {
        runMainUntil([] { return false; }, kDrainLook, false);
    }
    panel.screen->viewWillDisappear();

    const MicrophoneReport report = panel.screen->microphoneReport();
    const double seconds = static_cast<double>(report.bytesSent) / kBytesPerSecond;
    out.result("mic", "",
               {{"bytes", report.bytesSent},
                {"seconds", seconds},
                {"lost", report.buffersLost},
                {"dropped", report.buffersDropped}},
               "sent " + std::to_string(report.bytesSent) + " bytes (" + secondsText(seconds) +
                   " s of audio); buffers lost " + std::to_string(report.buffersLost) +
                   ", dropped " + std::to_string(report.buffersDropped));
    if (view.micStopped && view.micStopped->first && !view.micStopped->second.empty()) {
        out.error("mic: " + view.micStopped->second);
        return kExitFailure;
    }
    if (computer.linkClosed()) {
        out.error("the computer closed the connection");
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace pd::cli
