#pragma once
// Finds the computers on the local network: broadcasts the fixed discovery request on one IPv4
// interface and collects the replies until none has come for a while. It can also send the
// same request to given addresses instead (networks that drop broadcasts, another subnet, a
// VPN, or computers remembered from an earlier pairing).
//
// One search runs at a time. FindServerList while a search runs joins it: no second search
// starts, and the running one reports to the finish callback registered last. Register the
// callback first, then start; it runs on the search thread with a copy of the computers found,
// so move to the main queue before touching any screen.

#include "NetWork/DiscoveryMessages.h"
#include "NetWork/ServerData.h"
#include "platform/NetworkInterfaces.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pd {

class SerialQueue;

// How and where CFindBroadcast searches; the defaults are those of a real phone.
struct DiscoveryOptions {
    // Null: the system's interfaces.
    std::shared_ptr<NetworkInterfaceProvider> interfaces;
    std::uint16_t port = kDiscoveryPort;
    // Empty: the last listed non-loopback interface with a broadcast address. Otherwise
    // only the interface of this name, even a loopback one; when it reports no broadcast
    // address, address | ~netmask is used.
    std::string interfaceName;
    // The search ends when no datagram came for this long...
    std::chrono::milliseconds idleTimeout{4000};
    // ...or when this much time has passed since it started, or when it holds maxServers
    // computers, so that a chatty network cannot keep it going.
    std::chrono::milliseconds searchLimit{15000};
    std::size_t maxServers = 256;
};

class CFindBroadcast {
  public:
    // Keyed by the reply's first header line, the one after its status line.
    using ServerMap = std::map<std::string, ServerData>;
    using FinishBlock = std::function<void(ServerMap)>;

    using Options = DiscoveryOptions;

    // The process-wide instance, with the system's interfaces and the standard port.
    static CFindBroadcast& ShareInstance();

    explicit CFindBroadcast(Options options = {});
    // A running search is cancelled (its callback is not called); returns without waiting for
    // it when called from the finish callback itself.
    ~CFindBroadcast();
    CFindBroadcast(const CFindBroadcast&) = delete;
    CFindBroadcast& operator=(const CFindBroadcast&) = delete;

    // Takes effect with the next search.
    void setOptions(Options options);

    // Stores the finish callback; it is read when a search ends.
    void BdCastfinishBlock(FinishBlock block);
    // Starts a search in the background and returns at once: true when a new search started,
    // false when one was already running (this call then joins it).
    bool FindServerList();
    // The same search, with the request sent to each of `hosts` (IPv4, dotted) on the discovery
    // port instead of to the broadcast address. With an interface named in the options, only
    // hosts on that interface's network are asked. Replies count as in a broadcast search.
    bool FindServersAt(std::vector<std::string> hosts);
    bool isSearching() const;

    // Fills szIpAddr, szSubMask and szBroadCast from the interfaces (all empty when none fits).
    void GetIPAddress();

    std::string szIpAddr() const;
    std::string szSubMask() const;
    std::string szBroadCast() const;
    // The computers found so far by the current or last search.
    ServerMap lanServerDic() const;

  private:
    struct State;
    // The search itself, on the discovery queue; it reaches its owner only through `state`.
    static void runSearch(const std::shared_ptr<State>& state, std::vector<std::string> hosts);
    bool startSearch(std::vector<std::string> hosts);
    // Run from bind to the last reply; false when cancelled by the owner's destruction.
    static bool broadcastSearch(State& state, const Options& options);
    static bool unicastSearch(State& state, const Options& options,
                              const std::vector<std::string>& hosts);
    // Reads replies until the idle time or the time limit passes, the map is full, every
    // address in `asked` (IPv4, network order; empty for a broadcast) has answered, or the
    // owner goes (false then).
    static bool collectReplies(State& state, const Options& options, int socket,
                               std::chrono::steady_clock::time_point deadline,
                               const std::vector<std::uint32_t>& asked = {});
    // Adds one reply to the map; true when the map is full.
    static bool takeReply(State& state, const Options& options, std::string_view datagram);
    // Chooses the interface and stores its addresses; returns the address, empty when none.
    static std::string lookUpInterface(State& state, const Options& options);

    std::shared_ptr<State> state_;
    std::unique_ptr<SerialQueue> queue_;
};

}  // namespace pd
