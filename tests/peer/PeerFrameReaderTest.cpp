#include "PeerFrameReader.h"
#include "codec/LinkFrame.h"
#include "support/BadFrames.h"

#include <gtest/gtest.h>

namespace pd::peer {
namespace {

using Kind = PeerFrameReader::Kind;

// Bytes that are not a message are skipped wherever the stream breaks; heartbeats are reported.
TEST(PeerFrameReader, SkipsWhatIsNotAMessageWhereverTheBytesBreak) {
    const std::string message = link::encodeMessageFrame(20, "\x91\xCD\x03\xE9");
    for (const auto& c : pd::test::badFrameCases()) {
        SCOPED_TRACE(c.name);
        const std::string stream = c.bytes + message;
        for (std::size_t step : {std::size_t{1}, std::size_t{3}, stream.size()}) {
            PeerFrameReader reader;
            int heartbeats = 0;
            std::vector<std::string> payloads;
            for (std::size_t i = 0; i < stream.size(); i += step) {
                reader.feed(stream.data() + i, std::min(step, stream.size() - i));
                while (std::optional<PeerFrameReader::Frame> f = reader.next()) {
                    if (f->kind == Kind::Heartbeat) {
                        ++heartbeats;
                    } else {
                        payloads.push_back(f->payload);
                    }
                }
            }
            EXPECT_EQ(heartbeats, c.heartbeats) << "step " << step;
            EXPECT_EQ(payloads, std::vector<std::string>{message.substr(link::kHeaderSize)});
            EXPECT_EQ(reader.buffered(), 0u);
        }
    }
}

TEST(PeerFrameReader, HugeLengthsAreSkippedWithoutBuffering) {
    PeerFrameReader reader;
    std::string huge("\xCF\xCF\x7F\xFF\xFF\xFF\x00\x01\x00\x03", 10);
    reader.feed(huge.data(), huge.size());
    EXPECT_FALSE(reader.next());
    EXPECT_LT(reader.buffered(), 10u);
    std::string message = link::encodeMessageFrame(1, "\x92\xCD\x01\x0A\xA0");
    reader.feed(message.data(), message.size());
    std::optional<PeerFrameReader::Frame> f = reader.next();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, Kind::Message);
}

}  // namespace
}  // namespace pd::peer
