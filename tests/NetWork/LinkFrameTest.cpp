#include "codec/LinkFrame.h"
#include "support/BadFrames.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
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

const std::string kLockBody = bytesOf({0x91, 0xCD, 0x03, 0xE9});
const std::string kLockPayload = bytesOf({0x92, 0x14, 0xA4, 0x91, 0xCD, 0x03, 0xE9});
const std::string kLockFrame = bytesOf({0xCF, 0xCF, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x01, 0x00, 0x03,
                                        0x92, 0x14, 0xA4, 0x91, 0xCD, 0x03, 0xE9});
const std::string kHeartbeat(kHeartbeatFrame.begin(), kHeartbeatFrame.end());

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

std::string frameWithLength(std::uint32_t length) {
    return bytesOf({0xCF, 0xCF, static_cast<int>(length >> 24),
                    static_cast<int>(length >> 16 & 0xFF), static_cast<int>(length >> 8 & 0xFF),
                    static_cast<int>(length & 0xFF), 0x00, 0x01, 0x00, 0x03});
}

TEST(LinkFrameEncode, ScreenLockRequestBytes) {
    EXPECT_EQ(encodeEnvelope(20, kLockBody), kLockPayload);
    EXPECT_EQ(encodeMessageFrame(20, kLockBody), kLockFrame);
    EXPECT_EQ(kHeartbeat, bytesOf({0xCF, 0xCF, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01}));

    // The length field counts the markers and the envelope, however long the body.
    const std::string big(70000, 'b');
    const std::string frame = encodeMessageFrame(1001, big);
    const std::string envelope = encodeEnvelope(1001, big);
    EXPECT_EQ(frame.substr(0, kHeaderSize).substr(2, 4),
              frameWithLength(static_cast<std::uint32_t>(envelope.size() + 4)).substr(2, 4));
    EXPECT_EQ(frame.substr(kHeaderSize), envelope);
}

TEST(LinkFrameEnvelope, DecodesCodeAndBodyAndRefusesOtherShapes) {
    auto env = decodeEnvelope(kLockPayload);
    ASSERT_TRUE(env);
    EXPECT_EQ(env->code, 20);
    EXPECT_EQ(env->body, kLockBody);
    // The body is a view into the payload itself.
    EXPECT_EQ(env->body.data(), kLockPayload.data() + 3);

    const std::string withTrailing = kLockPayload + bytesOf({0xC1, 0x00, 0xFF});
    auto trailing = decodeEnvelope(withTrailing);
    ASSERT_TRUE(trailing);
    EXPECT_EQ(trailing->body, kLockBody);

    const std::string threeElements = bytesOf({0x93, 0xCD, 0x03, 0xE8, 0xA0, 0xC0});
    auto extra = decodeEnvelope(threeElements);
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->code, 1000);
    EXPECT_TRUE(extra->body.empty());

    const std::vector<std::string> refused = {
        "",
        bytesOf({0x91, 0x14}),                    // one element
        bytesOf({0x92, 0x14, 0x91, 0x01}),        // body not raw
        bytesOf({0x92, 0xA1, 'x', 0xA0}),         // code not an integer
        bytesOf({0x82, 0x14, 0xA0, 0x01, 0x01}),  // a map
        bytesOf({0x92, 0x14, 0xC4, 0x01, 0x00}),  // bin body
        bytesOf({0x92, 0x14, 0xA4, 0x91}),        // truncated body
    };
    for (const auto& payload : refused) {
        EXPECT_FALSE(decodeEnvelope(payload));
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

TEST(FrameReader, DrainsAnOversizedFrameWithoutStoringIt) {
    FrameReader r;
    constexpr std::uint32_t kBodySize = 100u * 1024 * 1024;
    std::vector<std::string> got = feed(r, frameWithLength(kBodySize + 4));
    const std::string chunk(64 * 1024, '\xCF');  // magic bytes inside the body stay body
    std::size_t most = r.buffered();
    for (std::uint32_t sent = 0; sent < kBodySize; sent += chunk.size()) {
        append(got, feed(r, std::string_view(chunk).substr(
                                0, std::min<std::size_t>(chunk.size(), kBodySize - sent))));
        most = std::max(most, r.buffered());
    }
    EXPECT_LE(most, kHeaderSize);
    EXPECT_EQ(r.framesDropped(), 1u);
    EXPECT_TRUE(got.empty());

    EXPECT_EQ(feed(r, kLockFrame), std::vector<std::string>{kLockPayload});

    // The largest accepted length is still assembled.
    FrameReader limit;
    feed(limit, frameWithLength(kMaxFrameLength + 1));
    EXPECT_EQ(limit.framesDropped(), 1u);
    FrameReader atLimit;
    feed(atLimit, frameWithLength(kMaxFrameLength));
    EXPECT_EQ(atLimit.framesDropped(), 0u);
    feed(atLimit, std::string(1000, 'x'));
    EXPECT_EQ(atLimit.buffered(), 1000u);
}

// Each payload is handed on as its last byte arrives, so a flood of small frames leaves
// nothing behind; a frame still incomplete is held, never handed on.
TEST(FrameReader, HandsOnEachFrameAtOnceAndHoldsOnlyTheIncompleteOne) {
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

    EXPECT_EQ(feed(r, kLockFrame + kLockFrame.substr(0, 13)),
              std::vector<std::string>{kLockPayload});
    EXPECT_TRUE(r.midFrame());
    EXPECT_EQ(r.buffered(), 3u);
    EXPECT_EQ(feed(r, kLockFrame.substr(13)), std::vector<std::string>{kLockPayload});
    EXPECT_FALSE(r.midFrame());
}

TEST(FrameReader, RandomChunkingGivesTheSamePayloads) {
    std::mt19937 rng(7);
    std::string stream;
    std::vector<std::string> expected;
    for (int i = 0; i < 200; ++i) {
        if (i % 5 == 0) {
            stream += kHeartbeat;
        }
        const std::string body(rng() % 3000, static_cast<char>(0xC0 + i % 16));
        stream += encodeMessageFrame(i, body);
        expected.push_back(encodeEnvelope(i, body));
    }
    for (int round = 0; round < 5; ++round) {
        FrameReader r;
        std::vector<std::string> got;
        std::size_t at = 0;
        while (at < stream.size()) {
            const std::size_t n = std::min<std::size_t>(1 + rng() % 2048, stream.size() - at);
            append(got, feed(r, std::string_view(stream).substr(at, n)));
            at += n;
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(r.buffered(), 0u);
    }
}

}  // namespace
}  // namespace pd::link
