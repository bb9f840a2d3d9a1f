// The guided tour: starts a peer with a sample disk on 127.0.0.1, finds it on the loopback
// interface, pairs with it, and says what happens at each step.

#include "Commands.h"
#include "ComputerSession.h"
#include "Output.h"
#include "PeerLauncher.h"
#include "SampleDisk.h"

#include "core/AuthCore.h"
#include "platform/AppHome.h"

#include <filesystem>
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
    if (global.home.empty()) {
        AppHome::set(work / "phone-home");  // the tour never touches the user's own data
    }
    auto cleanup = [&] {
        if (!demo.keep)
            std::filesystem::remove_all(work, ec);
    };

    out.say("Pocketdesk demo: a computer-side peer on 127.0.0.1 plays the computer.");
    if (!peer::writeSampleDisk(disk)) {
        out.error("cannot write the sample disk");
        cleanup();
        return kExitFailure;
    }
    out.say("1. Made a sample computer disk with drives C: and D: and a desktop.");
    const std::string code = randomCode();
    const int discoveryPort = peer::freeUdpPort();
    auto peerProcess = peer::PeerLauncher::start(
        demo.peerProgram,
        {"--root", disk.string(), "--code", code, "--name", "DEMO-PC", "--tag", "D3M0",
         "--discovery-port", std::to_string(discoveryPort)},
        std::chrono::seconds(10), !global.verbose);
    if (!peerProcess) {
        out.error("cannot start " + demo.peerProgram.string());
        cleanup();
        return kExitFailure;
    }
    out.say("2. Started the computer's services: control port " +
            std::to_string(peerProcess->controlPort()) + ", check code " + code + ".");

    GlobalOptions options = global;
    options.interfaceName = "lo";
    options.discoveryPort = discoveryPort;
    options.yes = true;
    options.pc = "D3M0";
    options.askForCode = false;  // the tour types the code itself
    ComputerSession session(options, out);
    out.say("3. Searching the loopback network for computers (this takes a few seconds)...");
    const auto& rows = session.search();
    for (const auto& row : rows) {
        out.say("   found " + row.serverData.DeviceName + " at " + row.serverData.IP + " (tag " +
                row.serverData.DeviceNameTag + ")");
    }
    if (rows.empty()) {
        out.error("the computer did not answer the search");
        cleanup();
        return kExitFailure;
    }

    out.say("4. Pairing without a code first, as a new phone does...");
    int status = session.pair();
    if (status == kExitRefused) {
        out.say("   The computer refused: it wants the check code it shows to its user.");
        options.code = code;  // the session reads the options it was given
        out.say("5. Pairing again with the check code " + code + "...");
        status = session.pair();
    }
    if (status != kExitOk) {
        out.error("pairing failed");
        peerProcess->stop();
        cleanup();
        return status;
    }
    out.say("   Paired. The phone remembers this computer and its code for next time.");

    // The browser: the same screens a phone shows, printed.
    GlobalOptions browse = options;
    browse.pc = "127.0.0.1:" + std::to_string(peerProcess->controlPort()) + ":" +
                std::to_string(peerProcess->httpPort());
    out.say("6. Listing the computer's drives and desktop:");
    if (runLs(browse, "", "") != kExitOk) {
        out.error("listing failed");
    }
    out.say("7. Opening the folder D:/Music:");
    runLs(browse, "D:/Music", "");
    out.say("8. Downloading D:/Music/song.mp3 over the computer's HTTP service:");
    if (runGet(browse, {"D:/Music/song.mp3"}) != kExitOk) {
        out.error("the download failed");
    }
    out.say("9. The finished downloads of this computer:");
    runDownloads(browse, "");
    AuthCore::ShareInstance().ResetServer();
    out.say("10. Disconnected and stopped the computer's services. End of the tour.");
    peerProcess->stop();
    cleanup();
    return kExitOk;
}

}  // namespace pd::cli
