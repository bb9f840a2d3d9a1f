// The guided tour: starts a peer with a sample disk on 127.0.0.1, then runs the front-end's own
// commands against it, as a user would type them, one capability after another, and ends with a
// table of what worked and how long it took.

#include "Commands.h"
#include "DemoGamepadMic.h"
#include "DemoPhoneFiles.h"
#include "DemoReconnect.h"
#include "DemoServices.h"
#include "DemoSteps.h"
#include "DemoTable.h"
#include "Output.h"
#include "PeerLauncher.h"
#include "SamplePhotos.h"
#include "SelfProcess.h"

#include <unistd.h>

#include <filesystem>
#include <random>

namespace pd::cli {

namespace {

// The computer sends files at this pace, so that the reconnection step can stop it mid-way.
constexpr const char* kHttpRate = "16777216";

std::string randomCode() {
    std::random_device rd;
    std::uniform_int_distribution<int> digit(0, 9);
    std::string code;
    for (int i = 0; i < 6; ++i)
        code.push_back(static_cast<char>('0' + digit(rd)));
    return code;
}

// The photo backup step: a small library on the phone (one photo also in an album), backed up
// by a shake, then shaken again: the computer has them all, so nothing new goes.
Reason demoBackup(const DemoContext& demo) {
    const std::filesystem::path photos = demo.work / "phone-photos";
    std::error_code ec;
    if (!writeSamplePhotos(photos, 3)) {
        return "cannot write the sample photos";
    }
    std::filesystem::create_directories(photos / "Holiday", ec);
    std::filesystem::create_symlink(photos / "IMG_0002.JPG", photos / "Holiday" / "IMG_0002.JPG",
                                    ec);
    const std::vector<std::string> backup{"backup", "--all", "--photos", photos.string()};
    Reason failure = runOnComputer(demo, backup);
    demo.out.say("  Shaking again: the computer confirmed each photo, so none is new to it:");
    Reason again = runOnComputer(demo, backup);
    return failure.empty() ? again : failure;
}

// Pairing as a new phone does: refused without the code, then paired with it.
Reason demoPair(const DemoContext& demo, const std::vector<std::string>& search,
                const std::string& code) {
    std::vector<std::string> args{"pair", "--pc", "DEMO-PC"};
    args.insert(args.end(), search.begin(), search.end());
    int status = waitSelf(startSelf(demo.out, demo.with(args)));
    if (status == kExitRefused) {
        demo.out.say("  The computer refused: it wants the check code it shows. Again with it:");
        args.insert(args.end(), {"--code", code});
        status = waitSelf(startSelf(demo.out, demo.with(args)));
    }
    return commandFailed(args, status);
}

}  // namespace

int runDemo(const GlobalOptions& global, const DemoOptions& options) {
    Output out(global.outputMode());
    std::error_code ec;
    char tmpl[] = "/tmp/pocketdesk-demo-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) {
        out.error("cannot make a temporary folder");
        return kExitFailure;
    }
    const std::filesystem::path work = tmpl;
    const std::filesystem::path disk = work / "computer-disk";
    // The tour never touches the user's own data.
    DemoContext demo{out,
                     work,
                     global.home.empty() ? (work / "phone-home").string() : global.home,
                     options.peerProgram,
                     global.verbose,
                     {}};
    auto cleanup = [&] {
        if (!options.keep)
            std::filesystem::remove_all(work, ec);
    };
    std::filesystem::create_directories(disk, ec);

    out.say("Pocketdesk demo: a computer-side peer on 127.0.0.1 plays the computer.");
    const std::string code = randomCode();
    const int discoveryPort = peer::freeUdpPort();
    const std::vector<std::string> peerArgs{"--root", disk.string(), "--sample-disk", "--code",
                                            code,     "--name",      "DEMO-PC",       "--tag",
                                            "D3M0",   "--http-rate", kHttpRate};
    std::vector<std::string> firstArgs = peerArgs;
    firstArgs.insert(firstArgs.end(), {"--discovery-port", std::to_string(discoveryPort),
                                       "--report-port", "0", "--feedback-port", "0"});
    std::optional<peer::PeerLauncher> computer = peer::PeerLauncher::start(
        options.peerProgram, firstArgs, std::chrono::seconds(10), !global.verbose);
    if (!computer) {
        out.error("cannot start " + options.peerProgram.string());
        cleanup();
        return kExitFailure;
    }
    demo.address = "127.0.0.1:" + std::to_string(computer->controlPort()) + ":" +
                   std::to_string(computer->httpPort());
    out.say("Its disk has drives C: and D: and a desktop; its control port is " +
            std::to_string(computer->controlPort()) + ", its check code " + code + ".");

    const std::vector<std::string> search{"--interface", "lo", "--discovery-port",
                                          std::to_string(discoveryPort)};
    DemoTable table;
    auto on = [&](std::vector<std::string> args) {
        return [&demo, args] { return runOnComputer(demo, args); };
    };
    table.run(out, "search", "Searching the loopback network for computers (a few seconds):", [&] {
        std::vector<std::string> args{"scan"};
        args.insert(args.end(), search.begin(), search.end());
        return runCommand(demo, args);
    });
    table.run(out, "pair", "Pairing without a code first, as a new phone does:", [&] {
        return demoPair(demo, search, code);
    });
    table.run(out, "browse",
              "The computer's drives, by its address (a computer of its own, so the code once "
              "more), then the folder D:/Music:",
              [&] {
                  Reason failure = runOnComputer(demo, {"ls", "--code", code});
                  Reason music = runOnComputer(demo, {"ls", "D:/Music"});
                  return failure.empty() ? music : failure;
              });
    table.run(out, "file classes",
              "Adding D:/Music to the music class, and listing the class:", [&] {
                  Reason failure = runOnComputer(demo, {"class", "add", "music", "D:/Music"});
                  Reason listed = runOnComputer(demo, {"ls", "--class", "music"});
                  return failure.empty() ? listed : failure;
              });
    table.run(out, "download", "Downloading D:/Music/song.mp3, then the finished downloads:", [&] {
        Reason failure = runOnComputer(demo, {"get", "D:/Music/song.mp3"});
        Reason listed = runOnComputer(demo, {"downloads"});
        return failure.empty() ? listed : failure;
    });
    table.run(out, "preview", "Previewing a small text file (kept in the preview cache):",
              on({"preview", "C:/Users/Demo/Documents/notes.txt"}));
    table.run(out, "preview cache",
              "The size of the preview cache:", [&] { return runCommand(demo, {"cache"}); });
    table.run(out, "photo backup", "Backing up the phone's three photos (one also in an album):",
              [&] { return demoBackup(demo); });
    table.run(out, "phone files",
              "A second computer lists, fetches and deletes the phone's own files while shared:",
              [&] { return demoPhoneFiles(demo); });
    table.run(out, "power", "Locking the computer's screen (the peer only logs power commands):",
              on({"power", "lock", "--yes"}));
    table.run(out, "volume", "Setting its volume to 40:", on({"volume", "40"}));
    table.run(out, "music",
              "Playing music (the same command again pauses):", on({"music", "play"}));
    table.run(out, "slides", "Turning a presentation to its next page:", on({"slides", "next"}));
    table.run(out, "screen capture",
              "Capturing its screen into the phone's capture folder:", on({"capture"}));
    table.run(out, "hotspot", "The devices on its hotspot:", on({"hotspot"}));
    table.run(out, "gamepad",
              "The phone as the computer's gamepad:", [&] { return demoGamepad(demo, *computer); });
    table.run(out, "microphone",
              "The phone as the computer's microphone:", [&] { return demoMic(demo, *computer); });
    table.run(out, "feedback", "Feedback, sent to a stand-in feedback service on the computer:",
              [&] { return demoFeedback(demo, *computer); });
    table.run(out, "usage reports", "Usage reports, sent to a stand-in report service:", [&] {
        return demoReports(demo, *computer);
    });
    table.run(out, "reconnection",
              "The computer's services restart while a download runs; the download should "
              "finish:",
              [&] { return demoReconnect(demo, disk, computer, peerArgs); });
    if (computer) {
        computer->stop();
    }
    out.say("Stopped the computer's services. End of the tour.");
    table.print(out);
    out.finish();
    cleanup();
    return table.allOk() ? kExitOk : kExitFailure;
}

}  // namespace pd::cli
