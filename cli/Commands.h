#pragma once
// The front-end's commands. Each returns the process exit status.

#include "GlobalOptions.h"

#include <cstdint>
#include <filesystem>
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
// Without a key: every setting; with a key: that one; with a value too: changes it.
int runSettings(const GlobalOptions& options, const std::string& key, const std::string& value);

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

struct DemoOptions {
    std::filesystem::path peerProgram;  // pocketdesk-peer to start
    bool keep = false;                  // keep the temporary folder
};
int runDemo(const GlobalOptions& options, const DemoOptions& demo);

}  // namespace pd::cli
