// Feeds arbitrary bytes to the frame reader in pseudo-random chunks and checks that the
// chunking does not change what comes out, that memory stays within one frame, and hands every
// payload to the link's dispatcher with callbacks registered, as the link loop does.
#include "NetWork/LinkDispatcher.h"
#include "NetWork/LinkState.h"
#include "codec/LinkFrame.h"
#include "codec/MsgPack.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Feeds bytes and adds the payloads they complete to `out`.
void feed(pd::link::FrameReader& r, const std::uint8_t* data, std::size_t size,
          std::vector<std::string>& out) {
    r.feed(data, size, [&out](std::string_view p) {
        require(p.size() + 4 <= pd::link::kMaxFrameLength);
        out.emplace_back(p);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pd::link::FrameReader whole;
    std::vector<std::string> expected;
    feed(whole, data, size, expected);

    // The chunk sizes come from the input itself so that a crash reproduces.
    pd::link::FrameReader chunked;
    std::vector<std::string> got;
    for (std::size_t at = 0, n = 0; at < size; at += n) {
        n = std::min<std::size_t>(1 + (data[at] * 31u + at) % 300, size - at);
        feed(chunked, data + at, n, got);
        require(chunked.buffered() <= size);
    }
    require(got == expected);
    require(chunked.midFrame() == whole.midFrame());

    // The dispatcher: whatever arrives, it stores, calls back or drops without crashing.
    auto link = std::make_shared<pd::LinkState>();
    link->m_DeviceInfo = "Simulator-0123456789ABCDEF";
    link->queueMessage(0, {});
    std::string frame;
    link->takeOutbox(frame);
    using Slot = pd::LinkState::Slot;
    for (const auto& payload : expected) {
        for (Slot slot : {Slot::Command, Slot::Stor, Slot::Error, Slot::Wifi}) {
            link->setBlock(slot, [] {});
        }
        // Let answers to every request number through now and then.
        if (!payload.empty()) {
            link->m_ReqID.store(static_cast<std::int32_t>(payload.size() % 7 == 0 ? 266 : 255));
        }
        pd::link::dispatchPayload(link, payload);
        link->takeOutbox(frame);
        (void)link->snapshot();
    }
    return 0;
}
