#include "codec/LinkFrame.h"
#include "support/BadFrames.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace pd::link {
namespace {

std::string bytesOf(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) {
        s.push_back(static_cast<char>(b));
    }
    return s;
}

std::string frameWithLength(std::uint32_t length) {
    return bytesOf({0xCF, 0xCF, static_cast<int>(length >> 24),
                    static_cast<int>(length >> 16 & 0xFF), static_cast<int>(length >> 8 & 0xFF),
                    static_cast<int>(length & 0xFF), 0x00, 0x01, 0x00, 0x03});
}

const std::string kLockBody = bytesOf({0x91, 0xCD, 0x03, 0xE9});
const std::string kLockPayload = bytesOf({0x92, 0x14, 0xA4}) + kLockBody;
const std::string kLockFrame = frameWithLength(11) + kLockPayload;

// Feeds bytes and returns the payloads they complete.
std::vector<std::string> feed(FrameReader& r, std::string_view bytes) {
    std::vector<std::string> out;
    r.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
           [&out](std::string_view payload) { out.emplace_back(payload); });
    return out;
}

void append(std::vector<std::string>& to, std::vector<std::string> more) {
    to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

TEST(LinkFrameEncode, ScreenLockRequestBytes) {
    EXPECT_EQ(encodeEnvelope(20, kLockBody), kLockPayload);
    EXPECT_EQ(encodeMessageFrame(20, kLockBody), kLockFrame);
    EXPECT_EQ(std::string(kHeartbeatFrame.begin(), kHeartbeatFrame.end()),
              bytesOf({0xCF, 0xCF, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01}));
    // The length field counts the markers and the envelope, however long the body.
    const std::string big(70000, 'b');
    EXPECT_EQ(
        encodeMessageFrame(1001, big),
        frameWithLength(70013) + bytesOf({0x92, 0xCD, 0x03, 0xE9, 0xDB, 0, 1, 0x11, 0x70}) + big);
}

// Trailing bytes and elements after the body are ignored; other shapes are refused.
TEST(LinkFrameEnvelope, DecodesCodeAndBodyAndRefusesOtherShapes) {
    const std::tuple<std::string, std::optional<std::int64_t>, std::string> cases[] = {
        {kLockPayload, 20, kLockBody},
        {kLockPayload + bytesOf({0xC1, 0x00, 0xFF}), 20, kLockBody},
        {bytesOf({0x93, 0xCD, 0x03, 0xE8, 0xA0, 0xC0}), 1000, ""},
        {"", {}, ""},
        {bytesOf({0x91, 0x14}), {}, ""},                    // one element
        {bytesOf({0x92, 0x14, 0x91, 0x01}), {}, ""},        // body not raw
        {bytesOf({0x92, 0xA1, 'x', 0xA0}), {}, ""},         // code not an integer
        {bytesOf({0x82, 0x14, 0xA0, 0x01, 0x01}), {}, ""},  // a map
        {bytesOf({0x92, 0x14, 0xC4, 0x01, 0x00}), {}, ""},  // bin body
        {bytesOf({0x92, 0x14, 0xA4, 0x91}), {}, ""},        // truncated body
    };
    for (const auto& [payload, code, body] : cases) {
        const auto env = decodeEnvelope(payload);
        EXPECT_EQ(env.has_value(), code.has_value()) << ::testing::PrintToString(payload);
        if (env && code) {
            EXPECT_EQ(env->code, *code);
            EXPECT_EQ(env->body, body);
        }
    }
}

// Bytes that are not a message are skipped, fed whole or byte by byte, and the message after
// them still arrives; heartbeats yield nothing.
TEST(FrameReader, SkipsWhatIsNotAMessage) {
    std::vector<test::BadFrameCase> cases = test::badFrameCases();
    cases.push_back({"markers only", frameWithLength(4), 0});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string stream = c.bytes + kLockFrame + c.bytes;
        FrameReader whole;
        EXPECT_EQ(feed(whole, stream), std::vector<std::string>{kLockPayload});
        FrameReader byteWise;
        std::vector<std::string> got;
        for (char b : stream + kLockFrame) {
            append(got, feed(byteWise, std::string_view(&b, 1)));
        }
        EXPECT_EQ(got, (std::vector<std::string>{kLockPayload, kLockPayload}));
    }
}

// The shortest length beyond the limit is drained byte for byte (magic bytes inside it stay
// body), the longest within it is assembled.
TEST(FrameReader, DrainsAnOversizedFrameWithoutStoringIt) {
    FrameReader r;
    std::vector<std::string> got = feed(r, frameWithLength(kMaxFrameLength + 1));
    const std::string chunk(64 * 1024, '\xCF');
    std::size_t most = r.buffered();
    for (std::uint32_t left = kMaxFrameLength - 3; left > 0;) {
        const std::size_t n = std::min<std::size_t>(chunk.size(), left);
        append(got, feed(r, std::string_view(chunk).substr(0, n)));
        most = std::max(most, r.buffered());
        left -= static_cast<std::uint32_t>(n);
    }
    EXPECT_LE(most, kHeaderSize);
    EXPECT_EQ(r.framesDropped(), 1u);
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(feed(r, kLockFrame), std::vector<std::string>{kLockPayload});

    FrameReader atLimit;
    feed(atLimit, frameWithLength(kMaxFrameLength));
    feed(atLimit, std::string(1000, 'x'));
    EXPECT_EQ(atLimit.framesDropped(), 0u);
    EXPECT_EQ(atLimit.buffered(), 1000u);
}

// Each payload is handed on as its last byte arrives, so a flood of small frames leaves
// nothing behind.
TEST(FrameReader, HandsOnEachFrameAtOnce) {
    const std::string unknown = encodeMessageFrame(999, "");
    ASSERT_EQ(unknown.size(), 15u);
    std::string flood;
    for (int i = 0; i < 10'000; ++i) {
        flood += unknown;
    }
    FrameReader r;
    std::size_t handed = 0;
    std::size_t mostHeld = 0;
    r.feed(reinterpret_cast<const std::uint8_t*>(flood.data()), flood.size(),
           [&](std::string_view payload) {
               ++handed;
               mostHeld = std::max(mostHeld, r.buffered() - payload.size());
           });
    EXPECT_EQ(handed, 10'000u);
    EXPECT_EQ(mostHeld, 0u);
    EXPECT_EQ(r.buffered(), 0u);
    EXPECT_FALSE(r.midFrame());
}

}  // namespace
}  // namespace pd::link
