#include "ComputerSession.h"

#include "RunLoop.h"

#include "core/AuthCore.h"
#include "platform/Localization.h"
#include "platform/NetworkInterfaces.h"
#include "model/ObjectStore.h"
#include "platform/UserDefaults.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace pd::cli {

namespace {

constexpr auto kSearchLimit = std::chrono::seconds(20);
constexpr auto kPairLimit = std::chrono::seconds(60);

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::optional<int> parsePort(std::string_view text) {
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || value < 1 || value > 65535) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<ServerData> parseAddressTarget(const std::string& text) {
    const auto first = text.find(':');
    const auto second = text.find(':', first == std::string::npos ? first : first + 1);
    if (first == std::string::npos || second == std::string::npos) {
        return std::nullopt;
    }
    const std::string host = text.substr(0, first);
    in_addr addr{};
    const auto control = parsePort(std::string_view(text).substr(first + 1, second - first - 1));
    const auto http = parsePort(std::string_view(text).substr(second + 1));
    if (::inet_pton(AF_INET, host.c_str(), &addr) != 1 || !control || !http) {
        return std::nullopt;
    }
    ServerData s;
    s.IP = host;
    s.DeviceName = host;
    // Without discovery the address stands for the computer's identity (and can be read back).
    s.DeviceNameTag = text;
    s.WSAPSupport = "TRUE";
    s.WSAPPort = *control;
    s.HttpPort = *http;
    return s;
}

ComputerSession::ComputerSession(const GlobalOptions& options, const Output& out)
    : options_(options), out_(out) {
    DiscoveryOptions discovery;
    discovery.interfaces = std::make_shared<SystemNetworkInterfaces>();
    discovery.interfaceName = options.interfaceName;
    discovery.port = static_cast<std::uint16_t>(options.discoveryPort);
    finder_ = std::make_unique<CFindBroadcast>(discovery);
    view_ = std::make_shared<TerminalServerView>(out, options.yes,
                                                 options.askForCode && options.code.empty());
    controller_ = std::make_shared<ServerViewController>(
        view_, ServerViewController::Services{AuthCore::ShareInstance(), *finder_,
                                              ObjectStore::shared(), UserDefaults::standard()});
    view_->setController(controller_);
    controller_->viewWillAppear();
}

ComputerSession::~ComputerSession() {
    controller_.reset();
    finder_.reset();
}

const std::vector<ServerListData>& ComputerSession::search() {
    controller_->StartBroadCast();
    runMainUntil([&] { return !controller_->isSearching(); }, kSearchLimit);
    searched_ = true;
    return controller_->serverListArr();
}

std::optional<std::size_t> ComputerSession::findTarget() {
    if (auto address = parseAddressTarget(options_.pc)) {
        return controller_->addServer(*address);
    }
    std::string wanted = options_.pc;
    if (wanted.empty()) {
        auto last = AuthCore::ShareInstance().ReadLastDeviceTag();
        if (!last || last->empty()) {
            out_.error(
                "no computer paired yet: give --pc NAME, TAG, ADDRESS or HOST:PORT:HTTPPORT");
            return std::nullopt;
        }
        wanted = *last;
        if (auto address = parseAddressTarget(wanted)) {
            return controller_->addServer(*address);  // paired by address last time
        }
    }
    if (!searched_) {
        search();
    }
    const auto& rows = controller_->serverListArr();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ServerData& s = rows[i].serverData;
        if (s.DeviceNameTag == wanted || s.IP == wanted || lower(s.DeviceName) == lower(wanted)) {
            return i;
        }
    }
    out_.error("no such computer found: " + wanted);
    return std::nullopt;
}

int ComputerSession::pair() {
    const auto row = findTarget();
    if (!row) {
        return kExitNoSuchComputer;
    }
    const ServerData target = controller_->serverListArr()[*row].serverData;
    view_->resetOutcome();
    if (!options_.code.empty()) {
        controller_->CommondAuthCore(*row, options_.code, true);
    } else {
        controller_->didSelectRow(*row);
    }
    runMainUntil(
        [&] {
            return view_->outcome() != TerminalServerView::Outcome::Pending &&
                   !view_->waitingForCode() && !controller_->isConnecting();
        },
        kPairLimit);
    switch (view_->outcome()) {
        case TerminalServerView::Outcome::Paired:
            paired_ = target;
            AuthCore::ShareInstance().SaveLastDeviceTag();
            return kExitOk;
        case TerminalServerView::Outcome::Refused:
            return kExitRefused;
        case TerminalServerView::Outcome::ConnectionFailed:
            return kExitConnectionFailed;
        case TerminalServerView::Outcome::Pending:
            break;
    }
    if (interrupted()) {
        out_.error("interrupted");
    } else {
        out_.error(Localized("connection failed"));
    }
    return kExitConnectionFailed;
}

}  // namespace pd::cli
