#pragma once
// The front-end's commands. Each returns the process exit status.

#include "GlobalOptions.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pd::cli {

int runScan(const GlobalOptions& options);
int runPair(const GlobalOptions& options);
int runLs(const GlobalOptions& options, const std::string& path, const std::string& className);
int runClass(const GlobalOptions& options, const std::string& action, const std::string& name,
             const std::string& path);
int runGet(const GlobalOptions& options, const std::vector<std::string>& remotes);
int runPreview(const GlobalOptions& options, const std::string& remote);
int runDownloads(const GlobalOptions& options, const std::string& removePath);
// Pairs and serves the computer's commands on this phone's files until Ctrl-C.
int runShare(const GlobalOptions& options);
// Without a key: every setting; with a key: that one; with a value too (even an empty one,
// which clears a free-form setting): changes it.
int runSettings(const GlobalOptions& options, const std::string& key,
                const std::optional<std::string>& value);

// Sends a comment (and a contact) to the feedback service: 0 sent, 1 failed, 2 not configured.
int runFeedback(const GlobalOptions& options, const std::string& text, const std::string& contact);

// The size of the preview cache; with `clear`, clears it (asks first unless --yes).
int runCache(const GlobalOptions& options, bool clear);

// Sends the magic packet to a remembered computer (--pc, default the last paired one) on port
// `port` (9 but in tests); needs no link to it.
int runWake(const GlobalOptions& options, std::uint16_t port);

struct BackupOptions {
    bool all = false;                // every photo of the library (a shake)
    std::vector<std::string> files;  // or these photos, picked in the browser
    bool again = false;              // also photos the computer already has
};
int runBackup(const GlobalOptions& options, const BackupOptions& backup);

// The remote control panel's controls; each pairs, presses and waits for the computer.
int runPower(const GlobalOptions& options, const std::string& action);
int runVolume(const GlobalOptions& options, int level);
int runMute(const GlobalOptions& options);
int runMusic(const GlobalOptions& options, const std::string& action);
int runSlides(const GlobalOptions& options, const std::string& action, const std::string& path);
// A screen capture, kept in the capture folder (and shown with --open).
int runCapture(const GlobalOptions& options, bool open);
// The capture history; with a name, deletes that capture.
int runCaptures(const GlobalOptions& options, const std::string& removeName);
// The devices on the computer's hotspot, once or (watch) at every refresh until Ctrl-C.
int runHotspot(const GlobalOptions& options, bool watch);

// The phone as the computer's gamepad: played from the terminal's keyboard until Esc (with
// `configuration` 1 or 2: that configuration's settings opened first, 0: as they are) ...
int runGamepad(const GlobalOptions& options, int configuration);
// ... pressed by a script: each BUTTON[:down|:up] in order, then the pad is left ...
int runGamepadPress(const GlobalOptions& options, int configuration,
                    const std::vector<std::string>& buttons);
// ... and the keys of a configuration shown, or one button's key changed (no computer).
int runGamepadKeys(const GlobalOptions& options, int configuration, const std::string& button,
                   const std::string& key);

struct MicOptions {
    std::filesystem::path wav;  // stream this sound file instead of a capture device
    int seconds = 0;            // stop after this long (0: Ctrl-C or the end of the file)
    std::string device;         // the capture device (empty: "default")
};
// Streams the microphone to the computer with a level meter; prints what was sent.
int runMic(const GlobalOptions& options, const MicOptions& mic);

struct DemoOptions {
    std::filesystem::path peerProgram;  // pocketdesk-peer to start
    bool keep = false;                  // keep the temporary folder
};
int runDemo(const GlobalOptions& options, const DemoOptions& demo);

}  // namespace pd::cli
