#pragma once
// The graphical front-end's command line: the terminal's --home, --pc, --code, --interface,
// --discovery-port and --photos, --demo, which starts the embedded peer and connects to it, and
// where the microphone reads: --mic-device or --mic-wav (a sound file, for headless use).

#include <QStringList>

#include <optional>
#include <string>

namespace pd::gui {

struct GuiOptions {
    std::string home;
    std::string pc;  // name, tag or address from a search, or HOST:PORT:HTTPPORT
    std::string code;
    std::string interfaceName;
    std::string photos;     // the photo library's folder
    std::string micDevice;  // an ALSA capture device; empty: the default one
    std::string micWav;     // a sound file streamed instead of a device
    int discoveryPort = 6866;
    bool demo = false;
    bool verbose = false;
};

// Parses the arguments (without the program name); nullopt with `error` set on a usage error.
std::optional<GuiOptions> parseGuiOptions(const QStringList& arguments, std::string& error);

}  // namespace pd::gui
