#pragma once
// Splits the byte stream from a phone into frames. Unlike the phone's reader it reports
// heartbeats, because the peer answers each one. Bytes before a CF CF magic are skipped, and
// so is a header whose length no phone request can have (over kMaxInboundFrameLength, or 1 to
// 3): it is taken for garbage and the reader looks for the next magic, so memory stays bounded
// and the link goes on. A length field of 0 is the bare six-byte header, as the phone's reader
// also takes it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace pd::peer {

// Far above any request a phone sends (its largest is a phone-folder listing in a 1100 reply).
inline constexpr std::uint32_t kMaxInboundFrameLength = 8u * 1024 * 1024;

class PeerFrameReader {
  public:
    enum class Kind { Heartbeat, Message };
    struct Frame {
        Kind kind = Kind::Message;
        std::string payload;  // the envelope; empty for heartbeats
    };

    void feed(const char* data, std::size_t size);
    // The next complete frame, if the buffered bytes hold one.
    std::optional<Frame> next();

    std::size_t buffered() const { return input_.size() - pos_; }
    std::uint64_t bytesSkipped() const { return skipped_; }

  private:
    std::string input_;
    std::size_t pos_ = 0;
    std::uint64_t skipped_ = 0;
};

}  // namespace pd::peer
