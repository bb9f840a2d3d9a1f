#include "codec/LinkFrame.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace pd::link {

const std::array<std::uint8_t, kHeaderSize> kHeartbeatFrame = {kMagic, kMagic, 0x00, 0x00, 0x00,
                                                               0x04,   0x00,   0x00, 0x00, 0x01};

namespace {

// Bytes of the length field that precede the payload: the two marker words.
constexpr std::uint32_t kMarkerSize = 4;
// Magic plus length field: enough to tell a bare length-0 frame from one with markers.
constexpr std::size_t kShortHeaderSize = 6;
// Body storage reserved up front; a larger frame grows its buffer as its bytes arrive, so a
// length that is announced but never sent costs little.
constexpr std::size_t kMaxBodyReserve = 1u << 20;
// Consumed header bytes kept before the buffer is compacted (it then holds under one header).
constexpr std::size_t kCompactAfter = 64;

std::uint32_t readBigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

}  // namespace

std::string encodeEnvelope(std::int32_t code, std::string_view packedBody) {
    msg::Packer packer;
    packer.array(2).integer(code).raw(packedBody);
    if (!packer.ok()) {
        return {};
    }
    return packer.take();
}

std::string encodeMessageFrame(std::int32_t code, std::string_view packedBody) {
    const std::string envelope = encodeEnvelope(code, packedBody);
    if (envelope.empty() ||
        envelope.size() > std::numeric_limits<std::uint32_t>::max() - kMarkerSize) {
        return {};
    }
    const auto length = static_cast<std::uint32_t>(envelope.size() + kMarkerSize);
    std::string frame;
    frame.reserve(kHeaderSize + envelope.size());
    frame.push_back(static_cast<char>(kMagic));
    frame.push_back(static_cast<char>(kMagic));
    for (int shift = 24; shift >= 0; shift -= 8) {
        frame.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    frame.append({'\x00', '\x01', '\x00', '\x03'});
    frame.append(envelope);
    return frame;
}

std::optional<Envelope> decodeEnvelope(std::string_view payload) {
    const auto decoded = msg::decode(payload);
    if (!decoded) {
        return std::nullopt;
    }
    const msg::View root = decoded->root();
    if (!root.isArray() || root.size() < 2) {
        return std::nullopt;
    }
    const auto code = root[0].asInt64();
    const auto body = root[1].asRaw();
    if (!code || !body) {
        return std::nullopt;
    }
    // The raw's bytes live in the payload itself, so the view outlives the decoded tree.
    return Envelope{*code, *body};
}

void FrameReader::feed(const std::uint8_t* data, std::size_t size, const PayloadSink& onPayload) {
    for (;;) {
        if (state_ == State::Header) {
            if (parseHeader()) {
                continue;
            }
            if (size == 0) {
                break;
            }
            if (pos_ >= kCompactAfter) {
                compact();
            }
            if (pos_ == input_.size()) {
                // Nothing held yet: a header can only start at a magic byte.
                const void* magic = std::memchr(data, kMagic, size);
                const std::size_t skip =
                    magic ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(magic) - data)
                          : size;
                skipped_ += skip;
                data += skip;
                size -= skip;
                if (size == 0) {
                    break;
                }
            }
            const std::size_t held = input_.size() - pos_;
            const std::size_t need = held < kShortHeaderSize ? kShortHeaderSize : kHeaderSize;
            const std::size_t take = std::min(need - held, size);
            input_.append(reinterpret_cast<const char*>(data), take);
            data += take;
            size -= take;
            continue;
        }
        if (size == 0) {
            break;
        }
        // Body bytes go straight from the caller's buffer: into the body, or nowhere when
        // draining an oversized frame.
        const std::size_t n = std::min<std::size_t>(want_, size);
        if (state_ == State::Body) {
            body_.append(reinterpret_cast<const char*>(data), n);
        }
        data += n;
        size -= n;
        want_ -= static_cast<std::uint32_t>(n);
        if (want_ == 0) {
            finishBody(onPayload);
        }
    }
    compact();
}

// Looks at the header bytes held; true when it consumed or skipped some of them.
bool FrameReader::parseHeader() {
    const std::size_t held = input_.size() - pos_;
    if (held == 0) {
        return false;
    }
    const auto* h = reinterpret_cast<const std::uint8_t*>(input_.data()) + pos_;
    if (h[0] != kMagic || (held >= 2 && h[1] != kMagic)) {
        resync();
        return true;
    }
    if (held < kShortHeaderSize) {
        return false;
    }
    const std::uint32_t length = readBigEndian32(h + 2);
    if (length == 0) {  // a bare header: nothing follows
        pos_ += kShortHeaderSize;
        return true;
    }
    if (length < kMarkerSize) {  // cannot even hold the markers: not a real header
        resync();
        return true;
    }
    if (held < kHeaderSize) {
        return false;
    }
    pos_ += kHeaderSize;
    want_ = length - kMarkerSize;
    if (want_ == 0) {  // heartbeat
        return true;
    }
    if (length > kMaxFrameLength) {
        state_ = State::Drain;
        ++dropped_;
    } else {
        state_ = State::Body;
        body_.reserve(std::min<std::size_t>(want_, kMaxBodyReserve));
    }
    return true;
}

// Drops the first held byte and everything up to the next magic byte.
void FrameReader::resync() {
    ++pos_;
    ++skipped_;
    const auto next = input_.find(static_cast<char>(kMagic), pos_);
    const std::size_t stop = next == std::string::npos ? input_.size() : next;
    skipped_ += stop - pos_;
    pos_ = stop;
}

void FrameReader::finishBody(const PayloadSink& onPayload) {
    state_ = State::Header;
    if (!body_.empty()) {
        onPayload(body_);
    }
    body_.clear();
    if (body_.capacity() > kMaxBodyReserve) {
        std::string().swap(body_);  // a large frame's storage is not kept for the next one
    }
}

// Unconsumed header bytes never exceed one header, so dropping the consumed prefix moves a few
// bytes at most.
void FrameReader::compact() {
    if (pos_ == input_.size()) {
        input_.clear();
    } else if (pos_ > 0) {
        input_.erase(0, pos_);
    }
    pos_ = 0;
}

}  // namespace pd::link
