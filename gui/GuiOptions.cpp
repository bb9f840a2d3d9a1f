#include "GuiOptions.h"

#include "app/AppDelegate.h"
#include "app/AppInfo.h"
#include "app/ComputerAddress.h"

#include <QCommandLineParser>

#include <algorithm>
#include <filesystem>

namespace pd::gui {

std::optional<GuiOptions> parseGuiOptions(const QStringList& arguments, std::string& error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Pocketdesk: the phone's companion for a computer on the same network.");
    parser.addHelpOption();
    const QCommandLineOption home("home", "The phone's storage folder.", "DIR");
    const QCommandLineOption pc("pc",
                                "Connect at start to this computer: a name, tag or address that "
                                "a search finds, or HOST:PORT:HTTPPORT.",
                                "COMPUTER");
    const QCommandLineOption code("code", "The six-digit check code the computer shows.", "CODE");
    const QCommandLineOption iface("interface", "Search only this network interface.", "NAME");
    const QCommandLineOption photos(
        "photos",
        "The photo library: a folder whose files are the camera roll and "
        "whose subfolders are albums; default $XDG_PICTURES_DIR, "
        "else ~/Pictures.",
        "DIR");
    const QCommandLineOption micDevice(
        "mic-device", "The microphone: this ALSA capture device (default: \"default\").", "NAME");
    const QCommandLineOption micWav(
        "mic-wav", "The microphone: stream this sound file (WAV or FLAC) in real time.", "FILE");
    const QCommandLineOption port("discovery-port", "The search's UDP port.", "PORT", "6866");
    const QCommandLineOption demo("demo",
                                  "Start a computer-side peer with a sample disk on 127.0.0.1 "
                                  "and connect to it.");
    const QCommandLineOption verbose({"v", "verbose"}, "Log what the link does on stderr.");
    const QCommandLineOption version("version", "Print the version.");
    parser.addOptions(
        {home, pc, code, iface, photos, micDevice, micWav, port, demo, verbose, version});

    QStringList withProgram = arguments;
    withProgram.prepend("pocketdesk-gui");
    if (!parser.parse(withProgram)) {
        error = parser.errorText().toStdString();
        return std::nullopt;
    }
    if (parser.isSet("help")) {
        // Without a running application Qt cannot name the program itself.
        error = parser.helpText().replace("<executable_name>", "pocketdesk-gui").toStdString();
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        error = "pocketdesk-gui " + app::appVersion();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = "unexpected argument: " + parser.positionalArguments().first().toStdString();
        return std::nullopt;
    }
    GuiOptions options;
    options.home = parser.value(home).toStdString();
    options.pc = parser.value(pc).toStdString();
    options.code = parser.value(code).toStdString();
    options.interfaceName = parser.value(iface).toStdString();
    options.photos = parser.value(photos).toStdString();
    options.micDevice = parser.value(micDevice).toStdString();
    options.micWav = parser.value(micWav).toStdString();
    options.demo = parser.isSet(demo);
    options.verbose = parser.isSet(verbose);
    bool ok = false;
    options.discoveryPort = parser.value(port).toInt(&ok);
    if (!ok || options.discoveryPort < 1 || options.discoveryPort > 65535) {
        error = "--discovery-port takes a port from 1 to 65535";
        return std::nullopt;
    }
    if (!options.code.empty() &&
        (options.code.size() != 6 ||
         !std::all_of(options.code.begin(), options.code.end(),
                      [](unsigned char c) { return c >= '0' && c <= '9'; }))) {
        error = "the check code is the six digits the computer shows, such as 123456";
        return std::nullopt;
    }
    if (parser.isSet(micDevice) && parser.isSet(micWav)) {
        error = "--mic-device and --mic-wav both name the microphone: give one";
        return std::nullopt;
    }
    if (parser.isSet(micDevice) && options.micDevice.empty()) {
        error = "--mic-device takes an ALSA capture device name, such as default";
        return std::nullopt;
    }
    if (parser.isSet(micWav) && !std::filesystem::is_regular_file(options.micWav)) {
        error = "--mic-wav: no such file: " + options.micWav;
        return std::nullopt;
    }
    if (!options.interfaceName.empty()) {
        const auto names = AppDelegate::networkInterfaceNames();
        if (std::find(names.begin(), names.end(), options.interfaceName) == names.end()) {
            error = "no such network interface: " + options.interfaceName;
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace pd::gui
