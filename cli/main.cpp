// pocketdesk: the terminal front-end. It parses the command line, runs the main queue on the
// main thread and drives the library's screen controllers; it holds no logic of its own.

#include "Commands.h"
#include "GlobalOptions.h"
#include "RunLoop.h"

#include "app/AppInfo.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iostream>

namespace {

// The peer next to this program (installed layouts), else the one of the build tree.
std::filesystem::path findPeer(const char* argv0) {
    std::error_code ec;
    const auto self = std::filesystem::canonical("/proc/self/exe", ec);
    for (const auto& candidate : {self.parent_path() / "pocketdesk-peer",
                                  self.parent_path().parent_path() / "peer" / "pocketdesk-peer",
                                  std::filesystem::path(POCKETDESK_PEER_BUILD_PATH)}) {
        if (!candidate.empty() && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    (void)argv0;
    return "pocketdesk-peer";
}

void addGlobalOptions(CLI::App& app, pd::cli::GlobalOptions& o) {
    app.add_option("--home", o.home,
                   "Application home (the phone's storage); default $POCKETDESK_HOME, else "
                   "$XDG_DATA_HOME/pocketdesk");
    app.add_option("--pc", o.pc,
                   "Computer to use: a name, tag or address found by the search, or "
                   "HOST:PORT:HTTPPORT to connect without searching; default: the last paired one");
    app.add_option("--code", o.code, "Check code shown by the computer (six digits)");
    app.add_option("--interface", o.interfaceName,
                   "Search only this network interface; 'lo' searches the loopback network "
                   "from 127.0.0.1 (broadcast 127.255.255.255)");
    app.add_option("--discovery-port", o.discoveryPort, "UDP port of the search")
        ->capture_default_str()
        ->check(CLI::Range(1, 65535));
    app.add_flag("--json", o.json, "Print one JSON object per line");
    app.add_flag("--yes", o.yes, "Answer every confirmation with ok");
    app.add_flag("-v,--verbose", o.verbose, "Log what happens on stderr");
}

}  // namespace

int main(int argc, char** argv) {
    // A write to a socket whose peer is gone must return an error, not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    CLI::App app{"pocketdesk: the phone's companion for a computer on the same network"};
    app.set_version_flag("--version", "pocketdesk " + pd::app::appVersion());
    pd::cli::GlobalOptions options;
    addGlobalOptions(app, options);
    app.require_subcommand(0, 1);

    auto* scan = app.add_subcommand("scan", "Search the network for computers and list them");
    auto* pair = app.add_subcommand(
        "pair",
        "Pair with a computer (--pc, default the last one) and remember it; exit status "
        "0 paired, 3 no such computer, 4 refused, 5 connection failed");
    std::string lsPath;
    std::string lsClass;
    auto* ls = app.add_subcommand(
        "ls",
        "List the computer's drives and desktop, a folder (PATH such as C:/Users), or a "
        "file class (--class)");
    ls->add_option("PATH", lsPath, "Folder on the computer, for example C:/Users/Demo");
    ls->add_option("--class", lsClass, "List the folders of a class: pic, video, music or file")
        ->check(CLI::IsMember({"pic", "video", "music", "file"}));

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

    std::vector<std::string> getPaths;
    auto* get = app.add_subcommand(
        "get",
        "Download files from the computer into the phone's DownFiles folder; resumes "
        "what an earlier run left; Ctrl-C pauses; prints each local path");
    get->add_option("REMOTE_PATH", getPaths, "Files on the computer, for example D:/Music/song.mp3")
        ->required();

    std::string previewPath;
    auto* preview = app.add_subcommand(
        "preview",
        "Fetch a file into the preview cache (served from the cache the next time) "
        "and print the cached path");
    preview->add_option("REMOTE_PATH", previewPath, "File on the computer")->required();

    std::string removePath;
    auto* downloads =
        app.add_subcommand("downloads",
                           "List the finished downloads of the current computer, grouped into this "
                           "week and earlier; 'downloads rm LOCAL_PATH' deletes one (asks first)");
    auto* rm = downloads->add_subcommand("rm", "Delete a finished download and its file");
    rm->add_option("LOCAL_PATH", removePath, "The local path that 'downloads' shows")->required();

    pd::cli::DemoOptions demo;
    auto* demoCmd = app.add_subcommand(
        "demo", "A guided tour against a computer-side peer started on 127.0.0.1");
    demoCmd->add_option("--peer", demo.peerProgram, "The pocketdesk-peer program to start");
    demoCmd->add_flag("--keep", demo.keep, "Keep the demo's temporary folder");

    CLI11_PARSE(app, argc, argv);

    pd::cli::installInterruptHandler();

    if (scan->parsed()) {
        return pd::cli::runScan(options);
    }
    if (pair->parsed()) {
        return pd::cli::runPair(options);
    }
    if (ls->parsed()) {
        return pd::cli::runLs(options, lsPath, lsClass);
    }
    if (cls->parsed()) {
        return pd::cli::runClass(options, classAction, className, classPath);
    }
    if (get->parsed()) {
        return pd::cli::runGet(options, getPaths);
    }
    if (preview->parsed()) {
        return pd::cli::runPreview(options, previewPath);
    }
    if (downloads->parsed()) {
        return pd::cli::runDownloads(options, rm->parsed() ? removePath : std::string());
    }
    if (demoCmd->parsed()) {
        if (demo.peerProgram.empty()) {
            demo.peerProgram = findPeer(argv[0]);
        }
        return pd::cli::runDemo(options, demo);
    }
    std::cout << app.help();
    return 0;
}
