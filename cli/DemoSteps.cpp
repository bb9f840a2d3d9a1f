#include "DemoSteps.h"

#include "Commands.h"
#include "SelfProcess.h"

namespace pd::cli {

std::vector<std::string> DemoContext::with(std::vector<std::string> args) const {
    args.insert(args.end(), {"--home", home});
    if (verbose) {
        args.push_back("-v");
    }
    return args;
}

Reason commandFailed(const std::vector<std::string>& args, int status) {
    const std::string command = "pocketdesk " + (args.empty() ? std::string() : args.front());
    if (status == kExitOk) {
        return {};
    }
    if (status < 0) {
        return command + " did not run to its end";
    }
    return command + " exited " + std::to_string(status);
}

Reason runCommand(const DemoContext& demo, std::vector<std::string> args) {
    args = demo.with(std::move(args));
    return commandFailed(args, waitSelf(startSelf(demo.out, args)));
}

Reason runOnComputer(const DemoContext& demo, std::vector<std::string> args) {
    args.insert(args.end(), {"--pc", demo.address});
    return runCommand(demo, std::move(args));
}

std::optional<nlohmann::json> waitForEvent(peer::PeerLauncher& computer, std::string_view kind,
                                           std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        auto event = computer.nextEvent(left);
        if (!event) {
            return std::nullopt;
        }
        if (event->value("event", "") == kind) {
            return event;
        }
    }
}

std::vector<nlohmann::json> eventsUntilQuiet(peer::PeerLauncher& computer,
                                             std::chrono::milliseconds quiet) {
    std::vector<nlohmann::json> events;
    while (auto event = computer.nextEvent(quiet)) {
        events.push_back(*event);
    }
    return events;
}

}  // namespace pd::cli
