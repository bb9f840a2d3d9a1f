// pocketdesk: the terminal front-end. It parses the command line, runs the main queue on the
// main thread and drives the library's screen controllers; it holds no logic of its own.

#include "Commands.h"
#include "ComputerSession.h"
#include "GlobalOptions.h"
#include "Output.h"
#include "PeerLauncher.h"
#include "RunLoop.h"

#include "app/AppDelegate.h"
#include "app/AppInfo.h"
#include "app/ComputerAddress.h"

#include <CLI/CLI.hpp>

#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <iostream>

namespace {

using pd::cli::GlobalOptions;

constexpr const char* kExitStatuses =
    "Exit status:\n"
    "  0    done\n"
    "  1    failed (the computer refused an action, a file is missing, a download failed, the\n"
    "       computer did not answer within --timeout)\n"
    "  2    usage error (unknown option, malformed --pc or --code, unknown --interface, a\n"
    "       setting's value refused, feedback not configured)\n"
    "  3    no such computer (not found by the search, or none paired yet)\n"
    "  4    refused: the computer wants its check code (pocketdesk pair --code NNNNNN)\n"
    "  5    could not connect to the computer\n"
    "  130  interrupted (Ctrl-C); an interrupted download resumes on the next run\n";

const CLI::Validator kCheckCodeRule(
    [](std::string& code) -> std::string {
        const bool ok = code.size() == 6 && std::all_of(code.begin(), code.end(), [](char c) {
                            return c >= '0' && c <= '9';
                        });
        return ok ? "" : "the check code is the six digits the computer shows, such as 123456";
    },
    "");

// An address must be a whole one: "127.0.0.1:1" is a mistake, not a name to search for.
const CLI::Validator kComputerRule(
    [](std::string& pc) -> std::string {
        const bool looksLikeAddress =
            pc.find(':') != std::string::npos ||
            (!pc.empty() && pc.find_first_not_of("0123456789.") == std::string::npos);
        if (!looksLikeAddress)
            return "";
        in_addr addr{};
        if (pc.find(':') == std::string::npos ? ::inet_pton(AF_INET, pc.c_str(), &addr) == 1
                                              : pd::app::parseAddressTarget(pc).has_value()) {
            return "";
        }
        return "'" + pc +
               "' is not a computer: give HOST:PORT:HTTPPORT (such as 127.0.0.1:6000:6001), an "
               "IPv4 address, or a name or tag that 'pocketdesk scan' shows";
    },
    "");

const CLI::Validator kInterfaceRule(
    [](std::string& name) -> std::string {
        std::string names;
        for (const auto& known : pd::AppDelegate::networkInterfaceNames()) {
            if (known == name)
                return "";
            if (names.find(known) == std::string::npos)
                names += (names.empty() ? "" : ", ") + known;
        }
        return "no network interface '" + name + "' (this machine has: " + names + ")";
    },
    "");

// Which of the shared options a command takes.
enum Uses : unsigned {
    kBasic = 0,         // --home, --json, --json-lines, -v
    kSearch = 1,        // --interface, --discovery-port
    kComputer = 2 | 1,  // --pc, --code, --yes, and the search to find a computer by name
};

// The shared options, added to the main program and to every command, so that they are
// accepted before or after the command and each command's --help lists those it takes.
void addSharedOptions(CLI::App& app, GlobalOptions& o, unsigned uses) {
    const std::string group = "Shared options";
    app.add_option("--home", o.home,
                   "Application home (the phone's storage); default $POCKETDESK_HOME, else "
                   "$XDG_DATA_HOME/pocketdesk")
        ->group(group);
    app.add_option("--photos", o.photos,
                   "The phone's photo library: a folder whose files are the camera roll and "
                   "whose subfolders are albums; default $XDG_PICTURES_DIR, else ~/Pictures")
        ->group(group);
    app.add_flag("--json", o.json, "Print the result as one JSON document")->group(group);
    app.add_flag("--json-lines", o.jsonLines,
                 "Print every event (narration, progress, results, errors) as one JSON object "
                 "per line")
        ->group(group);
    app.add_flag("-v,--verbose", o.verbose,
                 "Log on stderr what the link does: search, connect, handshake, each request "
                 "and answer, downloads")
        ->group(group);
    if (uses & kSearch) {
        app.add_option("--interface", o.interfaceName,
                       "Search only this network interface; 'lo' searches the loopback network "
                       "from 127.0.0.1 (broadcast 127.255.255.255)")
            ->check(kInterfaceRule)
            ->group(group);
        app.add_option("--discovery-port", o.discoveryPort, "UDP port of the search")
            ->capture_default_str()
            ->check(CLI::Range(1, 65535))
            ->group(group);
    }
    if ((uses & kComputer) == kComputer) {
        app.add_option("--pc", o.pc,
                       "Computer to use: a name, tag or address found by the search, or "
                       "HOST:PORT:HTTPPORT to connect without searching; default: the last "
                       "paired one")
            ->check(kComputerRule)
            ->group(group);
        app.add_option("--code", o.code, "Check code shown by the computer (six digits)")
            ->check(kCheckCodeRule)
            ->group(group);
        app.add_flag("--yes", o.yes, "Answer every confirmation with ok, without asking")
            ->group(group);
        app.add_option("--timeout", o.timeoutSeconds,
                       "Seconds to wait for the computer before giving up (each answer, and "
                       "each stretch of a preview without progress)")
            ->capture_default_str()
            ->check(CLI::Range(1, 86400))
            ->group(group);
    }
}

// What to do after a refusal, with the options the user gave.
void explainRefusal(const GlobalOptions& o) {
    const std::string pc = o.pc.empty() ? "" : " --pc " + o.pc;
    if (o.code.empty()) {
        pd::cli::writeStderr("pocketdesk: this computer wants its check code: pocketdesk pair" +
                             pc + " --code NNNNNN (the six digits it shows)\n");
    } else {
        pd::cli::writeStderr("pocketdesk: the computer refused the check code " + o.code +
                             ": check the code it shows and run pocketdesk pair" + pc +
                             " --code NNNNNN\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    // A write to a socket whose peer is gone must return an error, not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    CLI::App app{"pocketdesk: the phone's companion for a computer on the same network"};
    app.set_version_flag("--version", "pocketdesk " + pd::app::appVersion());
    GlobalOptions options;
    addSharedOptions(app, options, kComputer);
    app.require_subcommand(0, 1);
    app.footer(kExitStatuses);

    auto* scan = app.add_subcommand("scan", "Search the network for computers and list them");
    scan->add_option("--host", options.hosts,
                     "Ask this computer (an IPv4 address; may be repeated) instead of "
                     "broadcasting: for networks that drop broadcasts, another subnet or a VPN")
        ->check(CLI::ValidIPV4);
    addSharedOptions(*scan, options, kSearch);

    auto* pair = app.add_subcommand(
        "pair", "Pair with a computer (--pc, default the last one) and remember it");
    addSharedOptions(*pair, options, kComputer);

    std::string lsPath;
    std::string lsClass;
    auto* ls = app.add_subcommand(
        "ls",
        "List the computer's drives and desktop, a folder (PATH such as C:/Users), or a "
        "file class (--class)");
    ls->add_option("PATH", lsPath, "Folder on the computer, for example C:/Users/Demo");
    ls->add_option("--class", lsClass, "List the folders of a class: pic, video, music or file")
        ->check(CLI::IsMember({"pic", "video", "music", "file"}));
    addSharedOptions(*ls, options, kComputer);

    std::string classAction;
    std::string className;
    std::string classPath;
    auto* cls = app.add_subcommand("class", "Add a folder to a file class or remove it");
    cls->add_option("ACTION", classAction, "add or del")
        ->required()
        ->check(CLI::IsMember({"add", "del"}));
    cls->add_option("CLASS", className, "pic, video, music or file")
        ->required()
        ->check(CLI::IsMember({"pic", "video", "music", "file"}));
    cls->add_option("PATH", classPath, "Folder on the computer, for example D:/Music")->required();
    addSharedOptions(*cls, options, kComputer);

    std::vector<std::string> getPaths;
    auto* get = app.add_subcommand(
        "get",
        "Download files from the computer into the phone's DownFiles folder; resumes "
        "what an earlier run left, and goes on by itself when the link drops; Ctrl-C pauses; "
        "prints each local path");
    get->add_option("REMOTE_PATH", getPaths, "Files on the computer, for example D:/Music/song.mp3")
        ->required();
    addSharedOptions(*get, options, kComputer);

    std::string previewPath;
    auto* preview = app.add_subcommand(
        "preview",
        "Fetch a file into the preview cache (served from the cache the next time) "
        "and print the cached path");
    preview->add_option("REMOTE_PATH", previewPath, "File on the computer")->required();
    addSharedOptions(*preview, options, kComputer);

    std::string removePath;
    auto* downloads =
        app.add_subcommand("downloads",
                           "List the finished downloads of the current computer, grouped into this "
                           "week and earlier; 'downloads rm LOCAL_PATH' deletes one (asks first)");
    addSharedOptions(*downloads, options, kComputer);
    auto* rm = downloads->add_subcommand(
        "rm", "Delete a finished download and its file (asks first; answer y, or give --yes)");
    rm->add_option("LOCAL_PATH", removePath, "The local path that 'downloads' shows")->required();
    addSharedOptions(*rm, options, kComputer);

    auto* share = app.add_subcommand(
        "share",
        "Pair and let the computer list, fetch and delete this phone's files until Ctrl-C; "
        "prints each of its commands and the reply");
    addSharedOptions(*share, options, kComputer);

    std::string settingKey;
    std::string settingValue;
    auto* settings = app.add_subcommand(
        "settings",
        "Show the settings, or change one: settings phone-files on|off, settings "
        "report-host HOST[:PORT]|off, settings feedback-url URL|off, settings photo-folder "
        "DIR|default");
    settings->add_option("KEY", settingKey, "The setting, for example phone-files");
    settings->add_option("VALUE", settingValue, "Its new value, for example on, off or a folder");
    addSharedOptions(*settings, options, kBasic);
    auto* cache = app.add_subcommand(
        "cache", "Show the size of the preview cache; 'cache clear' empties it (asks first)");
    addSharedOptions(*cache, options, kBasic);
    auto* cacheClear = cache->add_subcommand(
        "clear", "Empty the preview cache and print what was freed (answer y, or give --yes)");
    cacheClear->add_flag("--yes", options.yes, "Clear without asking");
    addSharedOptions(*cacheClear, options, kBasic);
    pd::cli::BackupOptions backup;
    auto* backupCmd = app.add_subcommand(
        "backup",
        "Back up photos of the phone's library (--photos) to the computer: --all sends those "
        "the computer does not have yet, or name the photos to send; goes on by itself when the "
        "link drops; Ctrl-C stops after the current photo; prints the computer's backup folder");
    backupCmd->add_flag("--all", backup.all, "Every photo of the library, as a shake does");
    backupCmd->add_option("FILE", backup.files,
                          "Photos to send: file names or paths in the library, or asset URLs");
    backupCmd->add_flag("--again", backup.again,
                        "With --all, also the photos the computer already has");
    addSharedOptions(*backupCmd, options, kComputer);

    // The remote control panel's controls, the capture history and the hotspot list.
    std::string powerAction;
    auto* power = app.add_subcommand(
        "power", "Shut down, reboot, stand by or lock the computer (asks first; --yes answers ok)");
    power->add_option("ACTION", powerAction, "shutdown, reboot, standby or lock")
        ->required()
        ->check(CLI::IsMember({"shutdown", "reboot", "standby", "lock"}));
    addSharedOptions(*power, options, kComputer);
    int volumeLevel = 0;
    auto* volume = app.add_subcommand(
        "volume", "Set the computer's volume (0 to 100) and wait until the computer took it");
    volume->add_option("N", volumeLevel, "The volume, 0 to 100")
        ->required()
        ->check(CLI::Range(0, 100));
    addSharedOptions(*volume, options, kComputer);
    auto* mute = app.add_subcommand("mute", "Switch the computer's sound off, or on again");
    addSharedOptions(*mute, options, kComputer);
    std::string musicAction;
    auto* music = app.add_subcommand(
        "music",
        "Control the computer's music player: previous or next track, volume up or down, play "
        "(again: pause; remembered per computer)");
    music->add_option("ACTION", musicAction, "prev, next, up, down or play")
        ->required()
        ->check(CLI::IsMember({"prev", "next", "up", "down", "play"}));
    addSharedOptions(*music, options, kComputer);
    std::string slidesAction;
    std::string slidesPath;
    auto* slides = app.add_subcommand(
        "slides",
        "Control a presentation on the computer: open PATH, previous or next page, black "
        "screen, start (again: end; remembered per computer)");
    slides->add_option("ACTION", slidesAction, "open, prev, next, black or start")
        ->required()
        ->check(CLI::IsMember({"open", "prev", "next", "black", "start"}));
    slides->add_option("PATH", slidesPath,
                       "With open: the presentation on the computer, such as D:/talks/q1.pptx");
    addSharedOptions(*slides, options, kComputer);
    bool captureOpen = false;
    auto* capture = app.add_subcommand(
        "capture",
        "Capture the computer's screen into the phone's capture folder; prints its path");
    capture->add_flag("--open", captureOpen,
                      "Show the capture with the desktop's viewer (xdg-open)");
    addSharedOptions(*capture, options, kComputer);
    std::string captureName;
    auto* captures = app.add_subcommand(
        "captures",
        "List the stored screen captures (name, age, path); 'captures rm NAME' deletes one");
    addSharedOptions(*captures, options, kBasic);
    auto* capturesRm = captures->add_subcommand("rm", "Delete a stored screen capture");
    capturesRm->add_option("NAME", captureName, "The capture's name or path, as 'captures' shows")
        ->required();
    addSharedOptions(*capturesRm, options, kBasic);
    bool hotspotWatch = false;
    auto* hotspot = app.add_subcommand(
        "hotspot",
        "List the devices on the computer's hotspot (name, speed, kind); --watch refreshes "
        "every second until Ctrl-C");
    hotspot->add_flag("--watch", hotspotWatch, "Refresh every second until Ctrl-C");
    addSharedOptions(*hotspot, options, kComputer);
    int padConfig = 0;
    auto* gamepad = app.add_subcommand(
        "gamepad",
        "Play the computer's gamepad from this terminal's keyboard (the keys are shown; Esc "
        "leaves); 'gamepad press' for scripts, 'gamepad keys' for the configurations");
    gamepad
        ->add_option("--config", padConfig,
                     "Open configuration 1 or 2 first; the pad then uses it (default: the one "
                     "opened last)")
        ->check(CLI::Range(1, 2));
    addSharedOptions(*gamepad, options, kComputer);
    gamepad->require_subcommand(0, 1);
    std::vector<std::string> padPresses;
    auto* padPress = gamepad->add_subcommand(
        "press",
        "Press, hold (BUTTON:down) or release (BUTTON:up) gamepad buttons in order, then leave "
        "the pad, which lifts what is still held");
    padPress
        ->add_option("BUTTON", padPresses,
                     "up, down, left, right, triangle, square, ring, x, l1, l2, r1, r2, start, "
                     "select; each alone (a click) or with :down or :up")
        ->required();
    padPress
        ->add_option("--config", padConfig,
                     "Open configuration 1 or 2 first; the pad then "
                     "uses it")
        ->check(CLI::Range(1, 2));
    addSharedOptions(*padPress, options, kComputer);
    int keysConfig = 1;
    std::string keysButton;
    std::string keysKey;
    auto* padKeys = gamepad->add_subcommand(
        "keys",
        "Show the keys a gamepad configuration sends, or set one button's key (kept on the "
        "phone; no computer needed); the pad then uses this configuration");
    padKeys->add_option("CONFIG", keysConfig, "The configuration, 1 or 2")
        ->required()
        ->check(CLI::Range(1, 2));
    padKeys->add_option("BUTTON", keysButton, "A button, such as l1 or up");
    padKeys->add_option("KEY", keysKey, "The key it sends, such as PageDown, F5, Num4 or ↑");
    addSharedOptions(*padKeys, options, kBasic);

    pd::cli::MicOptions micOptions;
    auto* mic = app.add_subcommand(
        "mic",
        "Stream the microphone (or a sound file) to the computer with a level meter until "
        "Ctrl-C, --seconds or the file's end; prints what was sent");
    mic->add_option("--wav", micOptions.wav,
                    "Stream this WAV or FLAC file in real time instead of a capture device")
        ->check(CLI::ExistingFile);
    mic->add_option("--seconds", micOptions.seconds, "Stop after this many seconds")
        ->check(CLI::Range(1, 86400));
    mic->add_option("--device", micOptions.device,
                    "The ALSA capture device, such as hw:1,0 (default: default)");
    addSharedOptions(*mic, options, kComputer);

    std::uint16_t wakePort = 9;
    auto* wake = app.add_subcommand(
        "wake",
        "Wake a remembered computer (--pc, default the last paired one) with a Wake-on-LAN "
        "packet to the broadcast address of the interface that reaches it (or --interface); "
        "it must have been paired once while awake");
    // For tests on loopback only: a port of their own instead of the usual 9. Not in --help.
    wake->add_option("--port", wakePort)->check(CLI::Range(1, 65535))->group("");
    addSharedOptions(*wake, options, kComputer);

    pd::cli::DemoOptions demo;
    std::string feedbackText;
    std::string feedbackContact;
    auto* feedbackCmd = app.add_subcommand(
        "feedback", "Send a comment to the feedback service (settings feedback-url)");
    feedbackCmd->add_option("TEXT", feedbackText, "What you want to say")->required();
    feedbackCmd->add_option("--contact", feedbackContact, "How to reach you (optional)");
    addSharedOptions(*feedbackCmd, options, kBasic);

    auto* demoCmd = app.add_subcommand(
        "demo",
        "A guided tour of every capability against a computer-side peer started on "
        "127.0.0.1, ending with a table of what worked (--json: as JSON)");
    demoCmd->add_option("--peer", demo.peerProgram, "The pocketdesk-peer program to start");
    demoCmd->add_flag("--keep", demo.keep, "Keep the demo's temporary folder");
    addSharedOptions(*demoCmd, options, kBasic);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version end well; every other parse error is a usage error.
        return app.exit(e) == 0 ? pd::cli::kExitOk : pd::cli::kExitUsage;
    }
    if (options.json && options.jsonLines) {
        std::cerr << "pocketdesk: give --json or --json-lines, not both\n";
        return pd::cli::kExitUsage;
    }

    pd::cli::installInterruptHandler();

    int status = -1;
    if (scan->parsed()) {
        status = pd::cli::runScan(options);
    } else if (pair->parsed()) {
        status = pd::cli::runPair(options);
    } else if (ls->parsed()) {
        status = pd::cli::runLs(options, lsPath, lsClass);
    } else if (cls->parsed()) {
        status = pd::cli::runClass(options, classAction, className, classPath);
    } else if (get->parsed()) {
        status = pd::cli::runGet(options, getPaths);
    } else if (preview->parsed()) {
        status = pd::cli::runPreview(options, previewPath);
    } else if (downloads->parsed()) {
        status = pd::cli::runDownloads(options, rm->parsed() ? removePath : std::string());
    } else if (share->parsed()) {
        status = pd::cli::runShare(options);
    } else if (settings->parsed()) {
        status = pd::cli::runSettings(options, settingKey,
                                      settings->get_option("VALUE")->count() > 0
                                          ? std::optional<std::string>(settingValue)
                                          : std::nullopt);
    } else if (cache->parsed()) {
        status = pd::cli::runCache(options, cacheClear->parsed());
    } else if (backupCmd->parsed()) {
        status = pd::cli::runBackup(options, backup);
    } else if (power->parsed()) {
        status = pd::cli::runPower(options, powerAction);
    } else if (volume->parsed()) {
        status = pd::cli::runVolume(options, volumeLevel);
    } else if (mute->parsed()) {
        status = pd::cli::runMute(options);
    } else if (music->parsed()) {
        status = pd::cli::runMusic(options, musicAction);
    } else if (slides->parsed()) {
        status = pd::cli::runSlides(options, slidesAction, slidesPath);
    } else if (capture->parsed()) {
        status = pd::cli::runCapture(options, captureOpen);
    } else if (captures->parsed()) {
        status = pd::cli::runCaptures(options, capturesRm->parsed() ? captureName : std::string());
    } else if (hotspot->parsed()) {
        status = pd::cli::runHotspot(options, hotspotWatch);
    } else if (padKeys->parsed()) {
        status = pd::cli::runGamepadKeys(options, keysConfig, keysButton, keysKey);
    } else if (padPress->parsed()) {
        status = pd::cli::runGamepadPress(options, padConfig, padPresses);
    } else if (gamepad->parsed()) {
        status = pd::cli::runGamepad(options, padConfig);
    } else if (mic->parsed()) {
        status = pd::cli::runMic(options, micOptions);
    } else if (wake->parsed()) {
        status = pd::cli::runWake(options, wakePort);
    } else if (feedbackCmd->parsed()) {
        status = pd::cli::runFeedback(options, feedbackText, feedbackContact);
    } else if (demoCmd->parsed()) {
        if (demo.peerProgram.empty()) {
            demo.peerProgram = pd::peer::findPeerProgram(POCKETDESK_PEER_BUILD_PATH);
        }
        status = pd::cli::runDemo(options, demo);
    } else {
        std::cout << app.help();
        return pd::cli::kExitOk;
    }
    if (status == pd::cli::kExitRefused) {
        explainRefusal(options);
    }
    if (pd::cli::interrupted()) {
        status = pd::cli::kExitInterrupted;
    }
    pd::cli::flushStdout();
    return status;
}
