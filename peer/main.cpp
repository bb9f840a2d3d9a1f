// pocketdesk-peer: the computer's side of the link, for development, demos and tests.
// Prints one JSON line {"event":"ready",...} on stdout when it listens, then serves until
// SIGINT or SIGTERM.

#include "AudioReceiver.h"
#include "BroadcastResponder.h"
#include "CaptureImage.h"
#include "ClassStore.h"
#include "ControlServer.h"
#include "DiskTree.h"
#include "EventPrinter.h"
#include "FeedbackEndpoint.h"
#include "FrameLog.h"
#include "GamepadReceiver.h"
#include "HotspotScript.h"
#include "HttpFileService.h"
#include "PeerOptions.h"
#include "PhoneFileClient.h"
#include "ReportEndpoint.h"
#include "SampleDisk.h"
#include "TicketBook.h"
#include "platform/Log.h"

#include <CLI/CLI.hpp>

#include <pthread.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <mutex>
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
    app.add_option("--name", o.name,
                   "Computer name announced to the phone; default: the host name");
    app.add_option("--tag", o.tag,
                   "Stable device tag announced to the phone; default: derived from --root");
    app.add_option("--discovery-port", o.discoveryPort,
                   "UDP port of the broadcast responder (bound to 127.255.255.255, answering "
                   "loopback senders only); 0 turns it off")
        ->capture_default_str()
        ->check(CLI::Range(0, 65535));
    app.add_flag("--discovery-unicast", o.discoveryUnicast,
                 "Also answer discovery requests sent straight to --address on the discovery "
                 "port (a phone's 'scan --host'); a phone on this host then cannot broadcast "
                 "from that address and port");
    app.add_option("--http-port", o.ports.http, "HTTP file service port; 0 picks a free one")
        ->capture_default_str();
    app.add_option("--http-close-after", o.httpFaults.closeAfter,
                   "Fault for tests: close the connection after N body bytes of each response");
    CLI::Option* ignoreRange =
        app.add_flag("--http-ignore-range", o.httpFaults.ignoreRange,
                     "Fault for tests: answer a Range request with 200 and the whole file");
    app.add_flag("--http-answer-416", o.httpFaults.answer416,
                 "Fault for tests: answer every Range request with 416")
        ->excludes(ignoreRange);
    app.add_option("--http-rate", o.httpFaults.bytesPerSecond,
                   "Fault for tests: send each response body at most this many bytes a second")
        ->check(CLI::PositiveNumber);
    CLI::Option* noLength = app.add_flag(
        "--http-no-length", o.httpFaults.noLength,
        "Fault for tests: send file bodies without Content-Length and close the connection after");
    CLI::Option* shortLength =
        app.add_flag("--http-short-length", o.httpFaults.shortLength,
                     "Fault for tests: announce and send half of each file body's length");
    app.add_flag("--http-endless", o.httpFaults.endless,
                 "Fault for tests: send each file body chunked, repeating the file without end")
        ->excludes(noLength)
        ->excludes(shortLength);
    noLength->excludes(shortLength);
    app.add_option("--heartbeat-ms", o.heartbeatMs, "Interval of our own heartbeats")
        ->capture_default_str()
        ->check(CLI::Range(10, 600000));
    app.add_option("--classes", o.classesFile,
                   "JSON file keeping the four file classes; default: <root>.classes.json");
    app.add_option("--backup-dir", o.backupDir,
                   "Folder the upload receiver writes backed-up items into; default: "
                   "<root>/Backup (created on the first upload)");
    app.add_option("--max-upload-bytes", o.maxUploadBytes,
                   "Largest item the upload receiver accepts")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--phone-script", o.phoneScript,
                   "File of phone-file command lines (LIST, PORT, RETR, DELE, RMD) to send to "
                   "the first phone whose link is accepted; 'PORT 127.0.0.1:0' opens a listener "
                   "of ours and names its port")
        ->check(CLI::ExistingFile);
    app.add_option("--phone-files-dir", o.phoneFilesDir,
                   "Folder that files fetched by the phone-file script go into; default: "
                   "<root>/PhoneFiles");
    app.add_option("--max-phone-file-bytes", o.maxPhoneFileBytes,
                   "Largest file a phone-file fetch accepts")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--phone-reply-wait-ms", o.phoneReplyWaitMs,
                   "How long the phone-file script waits for each reply")
        ->capture_default_str()
        ->check(CLI::Range(10, 600000));
    app.add_option("--capture-image", o.captureImage,
                   "Answer screen captures with this file's bytes, unchanged (at most 32 MiB)")
        ->check(CLI::ExistingFile);
    app.add_option("--hotspot-script", o.hotspotScript,
                   "Text file of timed hotspot rosters ('AT SECONDS' lines, each followed by "
                   "MODEL|MAC|SPEED|CONNTYPE device lines) for the hotspot list; see PEER.md");
    app.add_option("--gamepad-port", o.ports.gamepad,
                   "UDP port of the gamepad receiver; 0 picks a free one")
        ->capture_default_str();
    app.add_option("--audio-port", o.ports.audio, "Audio receiver port; 0 picks a free one")
        ->capture_default_str();
    app.add_option("--audio-dir", o.audioDir,
                   "Folder the audio receiver writes one WAV file per connection into; default: "
                   "<root>/Audio");
    app.add_option("--max-audio-bytes", o.maxAudioBytes,
                   "Largest recording of one audio connection; the connection is closed there")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--report-port", o.reportPort,
                   "Run a stand-in usage report service on this UDP port (0 picks a free one): "
                   "it answers the phone's server requests with itself and prints each report");
    app.add_option("--feedback-port", o.feedbackPort,
                   "Run a stand-in feedback service on this HTTP port (0 picks a free one): it "
                   "takes the phone's feedback POST on any path and prints it");
    app.add_option("--log", o.logFile, "Append one JSON line per frame in and out to FILE");
    app.add_flag("--sample-disk", o.sampleDisk,
                 "Fill an empty --root with a sample disk (drives C: and D: and a desktop)");
}

}  // namespace

int main(int argc, char** argv) {
    PeerOptions options;
    CLI::App app{"pocketdesk-peer: the computer-side control service, serving a folder tree"};
    addFlags(app, options);
    CLI11_PARSE(app, argc, argv);

    // A script with a mistake is refused before anything listens, not met at the first poll.
    std::shared_ptr<const pd::peer::HotspotScript> hotspotScript;
    if (!options.hotspotScript.empty()) {
        auto loaded = pd::peer::HotspotScript::load(options.hotspotScript);
        if (const auto* error = std::get_if<pd::peer::HotspotScript::Error>(&loaded)) {
            std::cerr << "--hotspot-script " << options.hotspotScript.string();
            if (error->line != 0) {
                std::cerr << " line " << error->line;
            }
            std::cerr << ": " << error->message << "\n";
            return 2;
        }
        hotspotScript = std::make_shared<const pd::peer::HotspotScript>(
            std::get<pd::peer::HotspotScript>(std::move(loaded)));
    }

    pd::log::setup();
    std::signal(SIGPIPE, SIG_IGN);
    // Every thread inherits the blocked set; only sigwait below receives these.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    if (options.sampleDisk) {
        std::error_code ec;
        if (std::filesystem::is_empty(options.root, ec) &&
            !pd::peer::writeSampleDisk(options.root)) {
            std::cerr << "cannot write the sample disk into " << options.root << "\n";
            return 1;
        }
    }
    std::optional<pd::peer::DiskTree> disk = pd::peer::DiskTree::open(options.root);
    if (!disk) {
        std::cerr << "--root " << options.root << " is not a folder\n";
        return 1;
    }
    if (options.classesFile.empty()) {
        options.classesFile = pd::peer::defaultClassesFile(disk->root());
    }
    if (options.name.empty()) {
        char host[256] = {};
        options.name = ::gethostname(host, sizeof host - 1) == 0 && host[0] ? host : "computer";
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

    // Before the control service, so that its port is known to every answer and announcement.
    pd::peer::TicketBook tickets;
    std::unique_ptr<pd::peer::HttpFileService> http = pd::peer::HttpFileService::start(
        options.address, options.ports.http, *disk, tickets, options.httpFaults);
    if (!http) {
        std::cerr << "cannot serve HTTP on " << options.address << ":" << options.ports.http
                  << "\n";
        return 1;
    }
    options.ports.http = http->port();

    // The gamepad receiver, whose port the plug "5" acceptance announces.
    pd::peer::GamepadReceiver gamepad(
        {options.address, options.ports.gamepad, pd::peer::printEvent});
    if (!gamepad.start()) {
        std::cerr << "cannot receive gamepad events: " << gamepad.error() << "\n";
        return 1;
    }
    options.ports.gamepad = gamepad.port();
    pd::peer::AudioReceiverConfig audio;
    audio.address = options.address;
    audio.port = options.ports.audio;
    audio.audioDir = options.audioDir.empty() ? disk->root() / "Audio" : options.audioDir;
    audio.maxBytes = options.maxAudioBytes;
    audio.finished = [](std::uint64_t n, std::uint64_t bytes, const std::filesystem::path& f) {
        pd::peer::printEvent(
            {{"event", "audio_saved"}, {"connection", n}, {"bytes", bytes}, {"path", f.string()}});
    };
    std::unique_ptr<pd::peer::AudioReceiver> audioReceiver = pd::peer::AudioReceiver::start(audio);
    if (!audioReceiver) {
        std::cerr << "cannot receive audio on " << options.address << ":" << options.ports.audio
                  << "\n";
        return 1;
    }
    options.ports.audio = audioReceiver->port();

    // The stand-ins for the phone's report and feedback services, when asked for.
    std::unique_ptr<pd::peer::ReportEndpoint> reports;
    if (options.reportPort) {
        reports = std::make_unique<pd::peer::ReportEndpoint>(pd::peer::ReportEndpointOptions{
            options.address, *options.reportPort, pd::peer::printEvent});
        if (!reports->start()) {
            std::cerr << "cannot receive reports: " << reports->error() << "\n";
            return 1;
        }
    }
    std::unique_ptr<pd::peer::FeedbackEndpoint> feedback;
    if (options.feedbackPort) {
        feedback = pd::peer::FeedbackEndpoint::start(options.address, *options.feedbackPort,
                                                     pd::peer::printEvent);
        if (!feedback) {
            std::cerr << "cannot take feedback on " << options.address << ":"
                      << *options.feedbackPort << "\n";
            return 1;
        }
    }

    pd::peer::SessionConfig config;
    config.disk = &*disk;
    config.classes = &classes;
    config.log = frameLog.get();
    config.tickets = &tickets;
    config.checkCode = options.checkCode;
    config.directAccept = options.directAccept;
    config.heartbeat = std::chrono::milliseconds(options.heartbeatMs);
    config.ports = options.ports;
    if (options.address != "0.0.0.0") {
        config.fallbackHost = options.address;
    }
    config.backupDir = options.backupDir.empty() ? disk->root() / "Backup" : options.backupDir;
    config.maxUploadBytes = options.maxUploadBytes;
    config.hotspotScript = hotspotScript;
    if (!options.phoneScript.empty()) {
        auto lines = pd::peer::PhoneFileClient::readScript(options.phoneScript);
        if (!lines) {
            std::cerr << "cannot read --phone-script " << options.phoneScript << "\n";
            return 1;
        }
        config.phoneScript = std::make_shared<pd::peer::PhoneScript>();
        pd::peer::PhoneFileClientConfig& script = config.phoneScript->config;
        script.script = std::move(*lines);
        script.filesDir =
            options.phoneFilesDir.empty() ? disk->root() / "PhoneFiles" : options.phoneFilesDir;
        script.maxFileBytes = options.maxPhoneFileBytes;
        script.replyWait = std::chrono::milliseconds(options.phoneReplyWaitMs);
        script.print = pd::peer::printEvent;
    }
    if (!options.captureImage.empty()) {
        auto bytes = pd::peer::CaptureImage::readFile(options.captureImage);
        if (!bytes) {
            std::cerr << "cannot read --capture-image " << options.captureImage
                      << " (or it is larger than 32 MiB)\n";
            return 1;
        }
        config.captureImage = std::make_shared<const std::string>(std::move(*bytes));
    }
    std::unique_ptr<pd::peer::ControlServer> server =
        pd::peer::ControlServer::start(options.address, options.controlPort, config);
    if (!server) {
        std::cerr << "cannot listen on " << options.address << ":" << options.controlPort << "\n";
        return 1;
    }

    // Discovery is a convenience: a taken port is reported and the peer serves without it.
    std::unique_ptr<pd::peer::BroadcastResponder> responder;
    if (options.discoveryPort != 0) {
        pd::peer::BroadcastResponderOptions b;
        b.port = static_cast<std::uint16_t>(options.discoveryPort);
        b.name = options.name;
        b.tag = options.tag;
        b.controlPort = server->port();
        b.httpPort = options.ports.http;
        if (options.discoveryUnicast) {
            b.unicastAddress = options.address;
        }
        responder = std::make_unique<pd::peer::BroadcastResponder>(b);
        if (!responder->start()) {
            std::cerr << "discovery responder not started: " << responder->error() << "\n";
            responder.reset();
        }
    }

    nlohmann::ordered_json ready = {{"event", "ready"},
                                    {"address", options.address},
                                    {"control_port", server->port()},
                                    {"http_port", options.ports.http},
                                    {"upload_port", options.ports.upload},
                                    {"backup_dir", config.backupDir.string()},
                                    {"gamepad_port", options.ports.gamepad},
                                    {"audio_port", options.ports.audio},
                                    {"audio_dir", audio.audioDir.string()},
                                    {"discovery_port", responder ? responder->port() : 0},
                                    {"report_port", reports ? reports->port() : 0},
                                    {"feedback_port", feedback ? feedback->port() : 0},
                                    {"check_code", options.checkCode},
                                    {"name", options.name},
                                    {"tag", options.tag}};
    std::cout << ready.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    PD_LOG_INFO("signal {}: stopping", signal);
    if (responder) {
        responder->stop();
    }
    server->stop();
    http->stop();
    audioReceiver.reset();
    if (feedback) {
        feedback->stop();
    }
    if (reports) {
        reports->stop();
    }
    return 0;
}
