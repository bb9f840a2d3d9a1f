#include "DemoPhoneFiles.h"

#include "PeerLauncher.h"
#include "SelfProcess.h"
#include "TextFormat.h"

#include <csignal>
#include <fstream>

namespace pd::cli {

namespace {

// The phone's user-data folder in a home: what the computer may reach.
std::filesystem::path userDataOf(const std::filesystem::path& home) {
    return home / "Documents" / "UserData";
}

constexpr const char* kScript =
    "LIST /\n"
    "LIST /我的文档/DemoNotes\n"
    "PORT 127.0.0.1:0\n"
    "RETR /我的文档/DemoNotes/notes.txt\n"
    "DELE /我的文档/DemoNotes/notes.txt\n"
    "LIST /我的文档/DemoNotes\n";

}  // namespace

Reason demoPhoneFiles(const DemoContext& demo) {
    const Output& out = demo.out;
    const std::filesystem::path& work = demo.work;
    std::error_code ec;
    const auto notes = userDataOf(demo.home) / "DemoNotes" / "notes.txt";
    std::filesystem::create_directories(notes.parent_path(), ec);
    std::ofstream(notes) << "Notes written on the phone, fetched by the computer.\n";
    const auto script = work / "phone-file-script.txt";
    std::ofstream(script) << kScript;
    const auto fetched = work / "fetched-by-computer";

    std::filesystem::create_directories(work / "second-disk", ec);
    auto computer = peer::PeerLauncher::start(
        demo.peerProgram,
        {"--root", (work / "second-disk").string(), "--direct-accept", "--discovery-port", "0",
         "--phone-script", script.string(), "--phone-files-dir", fetched.string()},
        std::chrono::seconds(10), !demo.verbose);
    if (!computer) {
        return "cannot start a second computer";
    }
    const std::string address = "127.0.0.1:" + std::to_string(computer->controlPort()) + ":" +
                                std::to_string(computer->httpPort());
    const std::vector<std::string> args = demo.with({"share", "--pc", address});
    const pid_t pid = startSelf(out, args, "(the computer sends its commands; Ctrl-C ends it)");
    if (pid < 0) {
        return "cannot run pocketdesk share";
    }
    bool done = false;
    std::string saved;
    while (auto event = computer->nextEvent(std::chrono::seconds(30))) {
        const std::string kind = event->value("event", "");
        if (kind == "phone_file_saved") {
            saved = event->value("path", "");
        }
        if (kind == "phone_script_done") {
            done = true;
            break;
        }
    }
    ::kill(pid, SIGINT);  // as the user ends the sharing
    waitSelf(pid);
    computer->stop();
    if (!done || saved.empty()) {
        return "the computer's commands did not all run";
    }
    out.say("  The computer saved the fetched file as " + visibleText(saved) +
            " and deleted it on the phone.");
    return {};
}

}  // namespace pd::cli
