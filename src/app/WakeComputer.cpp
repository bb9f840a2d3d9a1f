#include "app/WakeComputer.h"

#include "NetWork/WakeOnLan.h"
#include "app/ComputerAddress.h"
#include "core/AuthCore.h"
#include "core/Settings.h"
#include "model/ObjectStore.h"
#include "model/PcList.h"
#include "platform/AppHome.h"
#include "platform/Log.h"
#include "platform/NeighbourTable.h"
#include "platform/NetworkInterfaces.h"

#include <algorithm>
#include <cctype>

namespace pd::app {

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The record of `wanted`: its device tag first, else the latest paired one with that address
// (also the host of HOST:PORT:HTTPPORT) or name.
std::shared_ptr<PcList> findRecord(ObjectStore& store, const std::string& wanted) {
    if (auto byTag = pcListByDeviceTag(store, wanted)) {
        return byTag;
    }
    const auto address = parseAddressTarget(wanted);
    const std::string ip = address ? address->IP : wanted;
    std::shared_ptr<PcList> found;
    for (const auto& record : allPcList(store)) {
        const bool matches = (!record->ipAddress.empty() && record->ipAddress == ip) ||
                             (!record->pcName.empty() && sameName(record->pcName, wanted));
        if (matches && (!found || record->connectDate > found->connectDate)) {
            found = record;
        }
    }
    return found;
}

}  // namespace

void rememberLinkedComputer(ObjectStore& store, const AuthCore& core,
                            const NeighbourTable& neighbours) {
    const auto record = pcListByDeviceTag(store, core.deviceTag);
    if (!record || core.serverIp.empty()) {
        return;
    }
    const auto hw = neighbours.hardwareAddressOf(core.serverIp);
    if (!rememberPcAddress(store, *record, core.serverIp, core.pcName,
                           hw ? formatHardwareAddress(*hw) : std::string())) {
        PD_LOG_WARN("could not save the address of {}; kept for this run", core.deviceTag);
    }
}

WakeOutcome wakeComputer(ObjectStore& store, const std::optional<std::string>& lastTag,
                         const WakeRequest& request, NetworkInterfaceProvider& interfaces) {
    WakeOutcome outcome;
    outcome.port = request.port;
    const std::string wanted = request.pc.empty() ? lastTag.value_or("") : request.pc;
    outcome.computer = wanted;
    const auto record = wanted.empty() ? nullptr : findRecord(store, wanted);
    if (!record) {
        outcome.status = WakeStatus::NoComputer;
        return outcome;
    }
    if (!record->pcName.empty()) {
        outcome.computer = record->pcName;
    }
    const auto hw = parseHardwareAddress(record->hwAddress);
    if (!hw) {
        outcome.status = WakeStatus::NoHardwareAddress;
        return outcome;
    }
    outcome.hwAddress = formatHardwareAddress(*hw);
    const auto route =
        wakeRouteFor(interfaces.interfaces(), record->ipAddress, request.interfaceName);
    if (!route) {
        outcome.status = WakeStatus::NoRoute;
        outcome.error = request.interfaceName.empty()
                            ? "no network interface reaches " + record->ipAddress
                            : "network interface " + request.interfaceName +
                                  " is not up or has no IPv4 address";
        return outcome;
    }
    outcome.interfaceName = route->interfaceName;
    outcome.broadcast = route->broadcast;
    const WakeSendResult sent =
        sendMagicPacket(magicPacket(*hw), route->broadcast, request.port, true, route->source);
    outcome.status = sent.sent ? WakeStatus::Sent : WakeStatus::SendFailed;
    outcome.error = sent.error;
    return outcome;
}

WakeOutcome wakeRememberedComputer(const std::string& home, const WakeRequest& request) {
    if (!home.empty()) {
        AppHome::set(home);
    }
    SystemNetworkInterfaces interfaces;
    return wakeComputer(ObjectStore::shared(), Settings::standard().ReadLastDeviceTag(), request,
                        interfaces);
}

}  // namespace pd::app
