#include "PeerFrameReader.h"

#include "codec/LinkFrame.h"

namespace pd::peer {

void PeerFrameReader::feed(const char* data, std::size_t size) {
    if (pos_ > 0 && pos_ * 2 >= input_.size()) {
        input_.erase(0, pos_);
        pos_ = 0;
    }
    input_.append(data, size);
}

static std::uint32_t readBigEndian32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        v = (v << 8) | static_cast<std::uint8_t>(s[at + i]);
    }
    return v;
}

std::optional<PeerFrameReader::Frame> PeerFrameReader::next() {
    constexpr char kMagic = static_cast<char>(link::kMagic);
    constexpr std::size_t kBareHeader = 6;  // magic and length: a length of 0 ends the frame
    while (input_.size() - pos_ >= kBareHeader) {
        if (input_[pos_] != kMagic || input_[pos_ + 1] != kMagic) {
            ++pos_;
            ++skipped_;
            continue;
        }
        std::uint32_t length = readBigEndian32(input_, pos_ + 2);
        if (length == 0) {
            pos_ += kBareHeader;
            return Frame{Kind::Heartbeat, {}};
        }
        if (length < 4 || length - 4 > kMaxInboundFrameLength) {
            // No frame has such a header (garbage that happens to hold CF CF): resynchronise.
            ++pos_;
            ++skipped_;
            continue;
        }
        std::size_t total = kBareHeader + length;
        if (input_.size() - pos_ < total) {
            return std::nullopt;
        }
        Frame f;
        f.kind = length == 4 ? Kind::Heartbeat : Kind::Message;
        f.payload = input_.substr(pos_ + link::kHeaderSize, length - 4);
        pos_ += total;
        return f;
    }
    return std::nullopt;
}

}  // namespace pd::peer
