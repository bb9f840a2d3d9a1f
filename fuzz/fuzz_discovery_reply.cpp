// Discovery replies come from anyone on the network: split them into lines and apply every
// header line to a record, as a search does.
#include "NetWork/DiscoveryMessages.h"
#include "NetWork/ServerData.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view datagram(reinterpret_cast<const char*>(data),
                                    std::min(size, pd::kMaxDiscoveryReplyBytes));
    if (auto lines = pd::discoveryReplyLines(datagram)) {
        pd::ServerData server;
        for (std::size_t i = 1; i < lines->size(); ++i) {
            if (!(*lines)[i].empty()) {
                server.HandData((*lines)[i]);
            }
        }
        if (server.WSAPPort < 0 || server.WSAPPort > 65535 || server.HttpPort < 0 ||
            server.HttpPort > 65535) {
            __builtin_trap();
        }
    }
    return 0;
}
