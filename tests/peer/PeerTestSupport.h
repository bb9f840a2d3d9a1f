#pragma once
// Helpers for the peer's tests: a throw-away disk tree and the phone's end of a link.

#include "PeerFrameReader.h"
#include "codec/MsgPack.h"
#include "support/TempHome.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
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

// A socket connected to 127.0.0.1:port; -1 if nobody listens there.
int connectLoopback(std::uint16_t port);

// The phone's end of a link: frames out, frames in. No read waits longer than 5 s.
class LinkClient {
  public:
    explicit LinkClient(int fd);  // takes ownership
    ~LinkClient();
    LinkClient(const LinkClient&) = delete;
    LinkClient& operator=(const LinkClient&) = delete;

    struct Message {
        std::int64_t code = 0;
        // The packed body array, kept on the heap: decoded views point into it.
        std::shared_ptr<const std::string> body;
        std::shared_ptr<const msg::Decoded> decoded;
        msg::View root() const { return decoded ? decoded->root() : msg::View(); }
        std::string_view text(std::uint32_t i) const { return root()[i].asRaw().value_or(""); }
    };
    // A message from its code and packed body.
    static Message message(std::int64_t code, std::string body);

    void sendRaw(std::string_view bytes);
    void send(std::int32_t code, std::string_view packedBody);
    void sendHeartbeat();

    // Next message, skipping heartbeats; nullopt on time-out or end of stream.
    std::optional<Message> nextMessage();
    // True when the next frame is a heartbeat, not a message.
    bool nextIsHeartbeat();
    // True when the peer closes the stream within 5 s (unread frames are discarded).
    bool waitClosed();
    void close();

    // Hello, challenge, proof with `code`; returns the final 1000 answer's result code.
    std::optional<std::int32_t> handshake(const std::string& code,
                                          const std::string& deviceInfo = "TestPhone-UUID");

  private:
    std::optional<PeerFrameReader::Frame> nextFrame();
    int fd_;
    PeerFrameReader reader_;
    bool eof_ = false;
};

}  // namespace pd::peer::test
