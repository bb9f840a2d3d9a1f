// The guided tour: starts a peer with a sample disk on 127.0.0.1, then runs the front-end's own
// commands against it, as a user would type them, and says what each step shows.

#include "Commands.h"
#include "DemoGamepadMic.h"
#include "DemoPhoneFiles.h"
#include "DemoRemoteControl.h"
#include "Output.h"
#include "PeerLauncher.h"
#include "SamplePhotos.h"
#include "SelfProcess.h"

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <random>

namespace pd::cli {

namespace {

std::string randomCode() {
    std::random_device rd;
    std::uniform_int_distribution<int> digit(0, 9);
    std::string code;
    for (int i = 0; i < 6; ++i)
        code.push_back(static_cast<char>('0' + digit(rd)));
    return code;
}

// Runs this program with `args` and returns its exit status (-1 if it could not run).
int runSelf(const Output& out, const std::vector<std::string>& args) {
    return waitSelf(startSelf(out, args));
}

// The photo backup step: a small library on the phone (one photo also in an album), backed up
// by a shake, then shaken again: the computer has them all, so nothing new goes.
int demoBackup(const Output& out, const std::filesystem::path& work,
               const std::function<std::vector<std::string>(std::vector<std::string>)>& with,
               const std::string& address) {
    const std::filesystem::path photos = work / "phone-photos";
    std::error_code ec;
    if (!writeSamplePhotos(photos, 3)) {
        out.error("cannot write the sample photos");
        return 1;
    }
    std::filesystem::create_directories(photos / "Holiday", ec);
    std::filesystem::create_symlink(photos / "IMG_0002.JPG", photos / "Holiday" / "IMG_0002.JPG",
                                    ec);
    out.say("9. Backing up the phone's three photos (one is also in an album) by a shake:");
    int failures =
        runSelf(out, with({"backup", "--all", "--photos", photos.string(), "--pc", address})) !=
        kExitOk;
    out.say("   Shaking again: the computer confirmed each photo, so none is new to it:");
    failures +=
        runSelf(out, with({"backup", "--all", "--photos", photos.string(), "--pc", address})) !=
        kExitOk;
    return failures;
}

}  // namespace

int runDemo(const GlobalOptions& global, const DemoOptions& demo) {
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
    const std::string home = global.home.empty() ? (work / "phone-home").string() : global.home;
    auto cleanup = [&] {
        if (!demo.keep)
            std::filesystem::remove_all(work, ec);
    };
    std::filesystem::create_directories(disk, ec);

    out.say("Pocketdesk demo: a computer-side peer on 127.0.0.1 plays the computer.");
    const std::string code = randomCode();
    const int discoveryPort = peer::freeUdpPort();
    auto peerProcess = peer::PeerLauncher::start(
        demo.peerProgram,
        {"--root", disk.string(), "--sample-disk", "--code", code, "--name", "DEMO-PC", "--tag",
         "D3M0", "--discovery-port", std::to_string(discoveryPort)},
        std::chrono::seconds(10), !global.verbose);
    if (!peerProcess) {
        out.error("cannot start " + demo.peerProgram.string());
        cleanup();
        return kExitFailure;
    }
    out.say(
        "1. Started the computer's services on a sample disk with drives C: and D: and a "
        "desktop: control port " +
        std::to_string(peerProcess->controlPort()) + ", check code " + code + ".");

    const std::vector<std::string> common{"--home", home};
    auto with = [&](std::vector<std::string> args) {
        args.insert(args.end(), common.begin(), common.end());
        if (global.verbose)
            args.push_back("-v");
        return args;
    };
    const std::vector<std::string> search{"--interface", "lo", "--discovery-port",
                                          std::to_string(discoveryPort)};
    auto searching = [&](std::vector<std::string> args) {
        args.insert(args.end(), search.begin(), search.end());
        return with(std::move(args));
    };

    out.say("2. Searching the loopback network for computers (this takes a few seconds):");
    if (runSelf(out, searching({"scan"})) != kExitOk) {
        out.error("the search failed");
        peerProcess->stop();
        cleanup();
        return kExitFailure;
    }
    out.say("3. Pairing without a code first, as a new phone does:");
    int status = runSelf(out, searching({"pair", "--pc", "DEMO-PC"}));
    if (status == kExitRefused) {
        out.say("   The computer refused: it wants the check code it shows to its user.");
        out.say("4. Pairing again with the check code:");
        status = runSelf(out, searching({"pair", "--pc", "DEMO-PC", "--code", code}));
    }
    if (status != kExitOk) {
        out.error("pairing failed");
        peerProcess->stop();
        cleanup();
        return status;
    }
    out.say("   Paired. The phone remembers this computer and its code for next time.");

    const std::string address = "127.0.0.1:" + std::to_string(peerProcess->controlPort()) + ":" +
                                std::to_string(peerProcess->httpPort());
    out.say(
        "5. The computer's drives and desktop, reached by its address instead of a search "
        "(an address is a computer of its own, so the code is given once more):");
    int failures = runSelf(out, with({"ls", "--pc", address, "--code", code})) != kExitOk;
    out.say("6. The folder D:/Music (the code is remembered now):");
    failures += runSelf(out, with({"ls", "D:/Music", "--pc", address})) != kExitOk;
    out.say("7. Downloading D:/Music/song.mp3 over the computer's HTTP service:");
    failures += runSelf(out, with({"get", "D:/Music/song.mp3", "--pc", address})) != kExitOk;
    out.say("8. The finished downloads of this computer:");
    failures += runSelf(out, with({"downloads", "--pc", address})) != kExitOk;
    failures += demoBackup(out, work, with, address);
    out.say(
        "10. A computer lists, fetches and deletes the phone's own files while it shares them:");
    failures += !demoPhoneFiles(out, demo.peerProgram, work, home, with({}), global.verbose);
    out.say("11. The remote control: power, capture, volume, music, slides and the hotspot:");
    failures += demoRemoteControl(out, address, with({}));
    out.say("12. The phone as the computer's gamepad and microphone:");
    failures += demoGamepadMic(out, *peerProcess, address, work, with({}));
    peerProcess->stop();
    out.say("13. Stopped the computer's services. End of the tour.");
    cleanup();
    return failures == 0 ? kExitOk : kExitFailure;
}

}  // namespace pd::cli
