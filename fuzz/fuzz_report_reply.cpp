// The report dispatcher's replies arrive over UDP: parse any datagram as one and check that a
// usable reply stays within what was received.
#include "services/ReportMessages.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto info = pd::report::parseServerInfoReply(std::span(data, size));
    if (info && (info->address.empty() || 21 + info->address.size() > size ||
                 21 + info->address.size() > pd::report::kMaxReplySize)) {
        std::abort();
    }
    return 0;
}
