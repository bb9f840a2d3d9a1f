#pragma once
// Waking a remembered computer. While a link is up the computer's hardware address is read
// from the neighbour table and kept with its PcList record; later, with the computer asleep
// and no link possible, a magic packet to that address wakes it.

#include <cstdint>
#include <optional>
#include <string>

namespace pd {

class AuthCore;
class NeighbourTable;
class NetworkInterfaceProvider;
class ObjectStore;

namespace app {

// Keeps the address, name and (when the table has it) hardware address of the computer the
// core controller is linked to with its PcList record. Writes only what changed; a computer
// without a record is left alone.
void rememberLinkedComputer(ObjectStore& store, const AuthCore& core,
                            const NeighbourTable& neighbours);

struct WakeRequest {
    // A device tag, name or address, or HOST:PORT:HTTPPORT; empty: the computer paired last.
    std::string pc;
    // Send on this interface; empty: the one whose subnet holds the computer's address.
    std::string interfaceName;
    std::uint16_t port = 9;
};

enum class WakeStatus {
    Sent,
    NoComputer,         // none paired yet, or none remembered by that name
    NoHardwareAddress,  // remembered, but never paired while its address could be learnt
    NoRoute,            // no interface reaches it (or the one asked for is not up)
    SendFailed,
};

struct WakeOutcome {
    WakeStatus status = WakeStatus::NoComputer;
    std::string computer;  // its name as the user knows it, for messages
    std::string hwAddress;
    std::string interfaceName;
    std::string broadcast;
    std::uint16_t port = 0;
    std::string error;  // what went wrong, for NoRoute and SendFailed
};

// Finds the remembered computer (`lastTag` stands for "the one paired last") and sends its
// magic packet on the route `interfaces` give.
WakeOutcome wakeComputer(ObjectStore& store, const std::optional<std::string>& lastTag,
                         const WakeRequest& request, NetworkInterfaceProvider& interfaces);

// The same with the store and settings of `home` (empty: the current application home) and
// the system's interfaces.
WakeOutcome wakeRememberedComputer(const std::string& home, const WakeRequest& request);

}  // namespace app
}  // namespace pd
