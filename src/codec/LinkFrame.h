#pragma once
// Frames of the control link: magic CF CF, a big-endian length (4 + payload size), two marker
// words (1, 3 for a message; 0, 1 for a heartbeat), then the payload: the MessagePack envelope
// [message code, raw holding the packed body array].

#include "codec/MsgPack.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pd::link {

inline constexpr std::size_t kHeaderSize = 10;
inline constexpr std::uint8_t kMagic = 0xCF;
// Largest frame length we buffer: room for a full-screen capture or a 100,000-entry listing.
// A longer frame is skipped byte for byte without being stored.
inline constexpr std::uint32_t kMaxFrameLength = 32u * 1024 * 1024;

extern const std::array<std::uint8_t, kHeaderSize> kHeartbeatFrame;

// Whole message frame for a message code and a packed body array. Empty when the body is too
// large for the 32-bit length field.
std::string encodeMessageFrame(std::int32_t code, std::string_view packedBody);
// The envelope alone (what a message frame carries after its header).
std::string encodeEnvelope(std::int32_t code, std::string_view packedBody);

struct Envelope {
    std::int64_t code = 0;  // compare with the known codes; anything else is dropped
    std::string_view body;  // the packed body array (points into the payload)
};
// nullopt unless the payload's first value is an array of at least two elements whose second
// element is raw and whose first is an integer.
std::optional<Envelope> decodeEnvelope(std::string_view payload);
// The body would point into the temporary.
std::optional<Envelope> decodeEnvelope(std::string&& payload) = delete;

// Incremental reader: feed it whatever the socket gave; each complete payload is handed on
// the moment its last byte arrives, so the reader never holds more than one frame.
// Heartbeats (length 0 or 4) yield nothing. A bad magic or a length of 1-3 makes the reader
// skip ahead to the next CF CF. A frame longer than kMaxFrameLength is drained, never stored.
// A frame cut short by the end of the stream is never handed on.
class FrameReader {
  public:
    // Called with each complete payload, in order; the view is valid during the call only.
    using PayloadSink = std::function<void(std::string_view payload)>;
    void feed(const std::uint8_t* data, std::size_t size, const PayloadSink& onPayload);
    // A frame has begun and is not complete yet.
    bool midFrame() const { return state_ != State::Header || input_.size() > pos_; }
    // Bytes held in memory right now (header and body being assembled).
    std::size_t buffered() const { return input_.size() - pos_ + body_.size(); }
    std::uint64_t framesDropped() const { return dropped_; }
    // Bytes thrown away while looking for the next CF CF after a bad header.
    std::uint64_t bytesSkipped() const { return skipped_; }

  private:
    void compact();
    bool parseHeader();
    void resync();
    void finishBody(const PayloadSink& onPayload);
    enum class State { Header, Body, Drain };
    State state_ = State::Header;
    std::string input_;       // unparsed header bytes (never more than one header)
    std::size_t pos_ = 0;     // read position in input_
    std::string body_;        // body being assembled
    std::uint32_t want_ = 0;  // body bytes still missing (Body) or to skip (Drain)
    std::uint64_t dropped_ = 0;
    std::uint64_t skipped_ = 0;
};

}  // namespace pd::link
