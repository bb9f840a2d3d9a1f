#pragma once
// Helpers for the peer's tests: a throw-away disk tree, a loopback connection, and the peer's
// answers decoded.

#include "codec/MsgPack.h"
#include "support/TempHome.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace pd::peer::test {

// A temporary folder that is removed with everything below it (set as the phone's home too,
// which the peer never reads).
struct TempFolder : pd::test::ScopedTempHome {
    const std::filesystem::path& path() const { return home(); }
};

// Writes a file of `size` bytes (creating its folders) with the given modification time.
void writeFile(const std::filesystem::path& file, std::size_t size, std::int64_t mtime = 0);

// A socket connected to 127.0.0.1:port whose reads give up after 5 s; -1 if nobody listens there.
int connectLoopback(std::uint16_t port);

// An answer with its packed body decoded.
struct Message {
    std::int64_t code = 0;
    // The packed body array, kept on the heap: decoded views point into it.
    std::shared_ptr<const std::string> body;
    std::shared_ptr<const msg::Decoded> decoded;
    msg::View root() const { return decoded ? decoded->root() : msg::View(); }
    std::string_view text(std::uint32_t i) const { return root()[i].asRaw().value_or(""); }
};
Message message(std::int64_t code, std::string body);

}  // namespace pd::peer::test
