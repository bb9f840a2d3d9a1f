// pocketdesk-peer: the computer's side of the link, for development, demos and tests.
// Prints one JSON line {"event":"ready",...} on stdout when it listens, then serves until
// SIGINT or SIGTERM.

#include "ClassStore.h"
#include "ControlServer.h"
#include "DiskTree.h"
#include "FrameLog.h"
#include "PeerOptions.h"
#include "platform/Log.h"

#include <CLI/CLI.hpp>

#include <pthread.h>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

namespace {

using pd::peer::PeerOptions;

void addFlags(CLI::App& app, PeerOptions& o) {
    app.add_option("--root", o.root,
                   "Folder that stands for the computer's disk: each top-level folder is a "
                   "drive (a one-letter name is that letter, the others take free letters from "
                   "C on, in name order); a folder named Desktop is the desktop")
        ->required()
        ->check(CLI::ExistingDirectory);
    app.add_option("--address", o.address, "IPv4 address to listen on")->capture_default_str();
    app.add_option("--port", o.controlPort, "Control port; 0 picks a free one")
        ->capture_default_str();
    app.add_option("--code", o.checkCode,
                   "Check code the phone must prove in the handshake; may be empty");
    app.add_flag("--direct-accept", o.directAccept,
                 "Accept the phone's hello at once (answer 1039) without a check code");
    app.add_option("--name", o.name, "Computer name announced to the phone")->capture_default_str();
    app.add_option("--tag", o.tag,
                   "Stable device tag announced to the phone; default: derived from --root");
    app.add_option("--http-port", o.ports.http, "HTTP file service port to announce")
        ->capture_default_str();
    app.add_option("--heartbeat-ms", o.heartbeatMs, "Interval of our own heartbeats")
        ->capture_default_str()
        ->check(CLI::Range(10, 600000));
    app.add_option("--classes", o.classesFile,
                   "JSON file keeping the four file classes; default: <root>.classes.json");
    app.add_option("--log", o.logFile, "Append one JSON line per frame in and out to FILE");
}

}  // namespace

int main(int argc, char** argv) {
    PeerOptions options;
    CLI::App app{"pocketdesk-peer: the computer-side control service, serving a folder tree"};
    addFlags(app, options);
    CLI11_PARSE(app, argc, argv);

    pd::log::setup();
    std::signal(SIGPIPE, SIG_IGN);
    // Every thread inherits the blocked set; only sigwait below receives these.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::optional<pd::peer::DiskTree> disk = pd::peer::DiskTree::open(options.root);
    if (!disk) {
        std::cerr << "--root " << options.root << " is not a folder\n";
        return 1;
    }
    if (options.classesFile.empty()) {
        options.classesFile = pd::peer::defaultClassesFile(disk->root());
    }
    if (options.tag.empty()) {
        options.tag = pd::peer::defaultTag(disk->root());
    }
    pd::peer::ClassStore classes(options.classesFile);
    std::unique_ptr<pd::peer::FrameLog> frameLog;
    if (!options.logFile.empty()) {
        frameLog = pd::peer::FrameLog::open(options.logFile);
        if (!frameLog) {
            std::cerr << "cannot open --log " << options.logFile << "\n";
            return 1;
        }
    }

    pd::peer::SessionConfig config;
    config.disk = &*disk;
    config.classes = &classes;
    config.log = frameLog.get();
    config.checkCode = options.checkCode;
    config.directAccept = options.directAccept;
    config.heartbeat = std::chrono::milliseconds(options.heartbeatMs);
    config.ports = options.ports;
    if (options.address != "0.0.0.0") {
        config.fallbackHost = options.address;
    }
    std::unique_ptr<pd::peer::ControlServer> server =
        pd::peer::ControlServer::start(options.address, options.controlPort, config);
    if (!server) {
        std::cerr << "cannot listen on " << options.address << ":" << options.controlPort << "\n";
        return 1;
    }

    nlohmann::ordered_json ready = {{"event", "ready"},
                                    {"address", options.address},
                                    {"control_port", server->port()},
                                    {"http_port", options.ports.http},
                                    {"upload_port", options.ports.upload},
                                    {"gamepad_port", options.ports.gamepad},
                                    {"audio_port", options.ports.audio},
                                    {"check_code", options.checkCode},
                                    {"name", options.name},
                                    {"tag", options.tag}};
    std::cout << ready.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    PD_LOG_INFO("signal {}: stopping", signal);
    server->stop();
    return 0;
}
