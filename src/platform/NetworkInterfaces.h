#pragma once
// The IPv4 network interfaces of the machine, behind an interface so that discovery can be
// run on an injected loopback interface in tests and never broadcast on a real network.

#include <string>
#include <vector>

namespace pd {

struct NetInterface {
    std::string name;
    // Dotted quads; `broadcast` is empty when the interface has no broadcast address.
    std::string address, netmask, broadcast;
    bool loopback = false;
    bool up = false;

    bool operator==(const NetInterface&) const = default;
};

class NetworkInterfaceProvider {
  public:
    virtual ~NetworkInterfaceProvider();
    virtual std::vector<NetInterface> interfaces() = 0;
};

// The system's IPv4 interfaces (getifaddrs), in the order the system lists them.
class SystemNetworkInterfaces : public NetworkInterfaceProvider {
  public:
    std::vector<NetInterface> interfaces() override;
};

// A given list, for tests and for pinning discovery to chosen interfaces.
class FixedNetworkInterfaces : public NetworkInterfaceProvider {
  public:
    explicit FixedNetworkInterfaces(std::vector<NetInterface> list);
    std::vector<NetInterface> interfaces() override;

    // lo, 127.0.0.1/255.0.0.0, broadcast 127.255.255.255, up: what discovery tests use.
    static NetInterface loopback();

  private:
    std::vector<NetInterface> list_;
};

}  // namespace pd
