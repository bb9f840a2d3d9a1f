// pocketdesk: the terminal front-end. It parses the command line, runs the main queue on the
// main thread and drives the library's screen controllers; it holds no logic of its own.

#include "platform/AppHome.h"
#include "platform/Log.h"
#include "platform/ToolPackage.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>

int main(int argc, char** argv) {
    // A write to a socket whose peer is gone must return an error, not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    CLI::App app{"pocketdesk: the phone's companion for a computer on the same network"};
    app.set_version_flag("--version", "pocketdesk " + pd::ToolPackage::GetAppVersion());
    std::string home;
    app.add_option("--home", home,
                   "Application home (the phone's sandbox); default $POCKETDESK_HOME, else "
                   "$XDG_DATA_HOME/pocketdesk");
    bool verbose = false;
    app.add_flag("-v,--verbose", verbose, "Log what happens on stderr");
    app.require_subcommand(0, 1);

    CLI11_PARSE(app, argc, argv);

    pd::log::setup(verbose ? spdlog::level::debug : spdlog::level::warn);
    if (!home.empty()) {
        pd::AppHome::set(home);
    }
    if (app.get_subcommands().empty()) {
        std::cout << app.help();
    }
    return 0;
}
