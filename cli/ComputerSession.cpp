#include "ComputerSession.h"

#include "RunLoop.h"

#include "app/ComputerAddress.h"
#include "app/MainLoop.h"

namespace pd::cli {

namespace {

constexpr auto kSearchLimit = std::chrono::seconds(20);
// While the user types a check code nobody waits for the computer.
constexpr auto kTypingLimit = std::chrono::hours(24);

AppConfig configOf(const GlobalOptions& options) {
    AppConfig config;
    config.home = options.home;
    config.verbose = options.verbose;
    config.interfaceName = options.interfaceName;
    config.discoveryPort = static_cast<std::uint16_t>(options.discoveryPort);
    config.photosDir = options.photos;
    // A command searches only when it must find a computer by name.
    config.searchOnLaunch = false;
    return config;
}

}  // namespace

ComputerSession::ComputerSession(const GlobalOptions& options, const Output& out)
    : options_(options),
      out_(out),
      screens_(std::make_shared<TerminalAppView>(out, options.yes,
                                                 options.askForCode && options.code.empty())) {
    app_ = std::make_unique<AppDelegate>(screens_, configOf(options));
    app_->didFinishLaunchingWithOptions();
}

ComputerSession::~ComputerSession() {
    // A command that ends is an application leaving the front.
    app_->applicationDidEnterBackground();
    app_.reset();
}

bool ComputerSession::waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return runMainUntil([&] { return done() || linkClosed(); }, limit) && done();
}

bool ComputerSession::waitForAnswer(const std::function<bool()>& done, const std::string& what) {
    if (waitFor(done, options_.answerLimit())) {
        return true;
    }
    out_.error(whyNoAnswer(what));
    return false;
}

std::string ComputerSession::whyNoAnswer(const std::string& what) const {
    if (linkClosed()) {
        return "the computer closed the connection";
    }
    if (interrupted()) {
        return "interrupted";
    }
    return "the computer did not answer within " + std::to_string(options_.timeoutSeconds) +
           " s (waiting for " + what + ")";
}

const std::vector<ServerListData>& ComputerSession::search() {
    controller().StartBroadCast();
    runMainUntil([&] { return !controller().isSearching(); }, kSearchLimit);
    searched_ = true;
    return controller().serverListArr();
}

const std::vector<ServerListData>& ComputerSession::searchAt(
    const std::vector<std::string>& hosts) {
    controller().StartSearchAt(hosts);
    runMainUntil([&] { return !controller().isSearching(); }, kSearchLimit);
    searched_ = true;
    return controller().serverListArr();
}

TerminalMoreView* ComputerSession::showMore() {
    app_->showMore();
    return screens_->more.get();
}

std::optional<std::size_t> ComputerSession::findTarget() {
    if (auto address = app::parseAddressTarget(options_.pc)) {
        return controller().addServer(*address);
    }
    std::string wanted = options_.pc;
    if (wanted.empty()) {
        auto last = controller().lastDeviceTag();
        if (!last || last->empty()) {
            out_.error(
                "no computer paired yet: give --pc NAME, TAG, ADDRESS or HOST:PORT:HTTPPORT");
            return std::nullopt;
        }
        wanted = *last;
        if (auto address = app::parseAddressTarget(wanted)) {
            return controller().addServer(*address);  // paired by address last time
        }
    }
    if (!searched_) {
        search();
    }
    if (auto row = app::rowForComputer(controller().serverListArr(), wanted)) {
        return row;
    }
    out_.error("no such computer found: " + wanted);
    return std::nullopt;
}

int ComputerSession::openTabs() {
    if (const int status = pair(); status != kExitOk) {
        return status;
    }
    if (!app_->mainTabs() || !tabsView()) {
        out_.error("the computer's tabs did not open");
        return kExitConnectionFailed;
    }
    if (TerminalDiskView* disk = diskView()) {
        waitForAnswer([&] { return disk->record.listings > 0; }, "the drive list");
    }
    return kExitOk;
}

int ComputerSession::pair() {
    const auto row = findTarget();
    if (!row) {
        return kExitNoSuchComputer;
    }
    const ServerData target = controller().serverListArr()[*row].serverData;
    TerminalServerView& view = *screens_->server;
    view.resetOutcome();
    if (!options_.code.empty()) {
        controller().CommondAuthCore(*row, options_.code, true);
    } else {
        controller().didSelectRow(*row);
    }
    const auto ended = [&] {
        return view.outcome() && !view.waitingForCode() && !controller().isConnecting();
    };
    // The limit counts time spent waiting for the computer, not for the user's code.
    while (
        !runMainUntil([&] { return ended() || view.waitingForCode(); }, options_.answerLimit()) ||
        !ended()) {
        if (!view.waitingForCode() ||
            !runMainUntil([&] { return !view.waitingForCode(); }, kTypingLimit)) {
            break;
        }
    }
    switch (view.outcome().value_or(PairingOutcome::ConnectionFailed)) {
        case PairingOutcome::Paired:
        case PairingOutcome::KeptLink:
            paired_ = target;
            return kExitOk;
        case PairingOutcome::Refused:
            return kExitRefused;
        case PairingOutcome::ConnectionFailed:
        case PairingOutcome::LinkClosed:
            break;
    }
    if (!view.outcome()) {
        out_.error(whyNoAnswer("the pairing"));
    }
    return kExitConnectionFailed;
}

}  // namespace pd::cli
