#pragma once
// The graphical front-end's command line: the terminal's --home, --pc, --code, --interface,
// --discovery-port and --photos, and --demo, which starts the embedded peer and connects to it.

#include <QStringList>

#include <optional>
#include <string>

namespace pd::gui {

struct GuiOptions {
    std::string home;
    std::string pc;  // name, tag or address from a search, or HOST:PORT:HTTPPORT
    std::string code;
    std::string interfaceName;
    std::string photos;  // the photo library's folder
    int discoveryPort = 6866;
    bool demo = false;
    bool verbose = false;
};

// Parses the arguments (without the program name); nullopt with `error` set on a usage error.
std::optional<GuiOptions> parseGuiOptions(const QStringList& arguments, std::string& error);

}  // namespace pd::gui
