#include "DemoServices.h"

#include "TextFormat.h"

namespace pd::cli {

namespace {

constexpr std::chrono::seconds kArrivalLimit{5};

std::string endpoint(const peer::PeerLauncher& computer, const char* name) {
    const int port = computer.ready().value(name, 0);
    return port == 0 ? std::string() : "127.0.0.1:" + std::to_string(port);
}

}  // namespace

Reason demoFeedback(const DemoContext& demo, peer::PeerLauncher& computer) {
    const std::string where = endpoint(computer, "feedback_port");
    if (where.empty()) {
        return "the computer has no feedback service";
    }
    if (Reason failure = runCommand(
            demo, {"settings", "feedback-url", "http://" + where + "/Client/FeedBack.ashx"});
        !failure.empty()) {
        return failure;
    }
    const std::string text = "The tour went well";
    if (Reason failure = runCommand(demo, {"feedback", text, "--contact", "demo@example.org"});
        !failure.empty()) {
        return failure;
    }
    const auto event = waitForEvent(computer, "feedback", kArrivalLimit);
    if (!event) {
        return "the feedback service received nothing";
    }
    const nlohmann::json data = event->value("jsondata", nlohmann::json());
    const bool signed_ = event->value("code_ok", false);
    const std::string feed = data.is_object() ? data.value("Feed", "") : "";
    demo.out.say("  The feedback service received \"" + visibleText(feed) + "\"; its signature " +
                 (signed_ ? "checks." : "does not check."));
    if (!signed_) {
        return "the feedback's signature does not check";
    }
    if (!feed.ends_with(text)) {
        return "the feedback's text did not arrive";
    }
    return {};
}

Reason demoReports(const DemoContext& demo, peer::PeerLauncher& computer) {
    const std::string where = endpoint(computer, "report_port");
    if (where.empty()) {
        return "the computer has no report service";
    }
    eventsUntilQuiet(computer, std::chrono::milliseconds(100));  // what earlier steps left
    if (Reason failure = runCommand(demo, {"settings", "report-host", where}); !failure.empty()) {
        return failure;
    }
    demo.out.say("  Pairing again, which sends a keep-alive report and button statistics:");
    if (Reason failure = runOnComputer(demo, {"pair"}); !failure.empty()) {
        return failure;
    }
    int requests = 0;
    int keepAlives = 0;
    std::string buttons;
    const auto deadline = std::chrono::steady_clock::now() + kArrivalLimit;
    while (keepAlives == 0 || buttons.empty()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const auto event = left.count() > 0 ? computer.nextEvent(left) : std::nullopt;
        if (!event) {
            break;
        }
        const std::string kind = event->value("kind", "");
        requests += kind == "server_info_request";
        keepAlives += kind == "keep_alive";
        if (kind == "statistics") {
            buttons += (buttons.empty() ? "" : ", ") + std::to_string(event->value("button", 0));
        }
    }
    demo.out.say("  The report service received " + std::to_string(requests) +
                 " server requests, " + std::to_string(keepAlives) +
                 " keep-alive reports and statistics of the buttons: " +
                 (buttons.empty() ? std::string("none") : buttons) + ".");
    if (keepAlives == 0) {
        return "no keep-alive report arrived";
    }
    return buttons.empty() ? "no statistics report arrived" : Reason();
}

}  // namespace pd::cli
