#include "codec/LinkFrame.h"
#include "PeerFrameReader.h"

#include <gtest/gtest.h>

namespace pd::peer {
namespace {

using Kind = PeerFrameReader::Kind;

TEST(PeerFrameReader, SplitsMessagesAndHeartbeatsWhereverTheBytesBreak) {
    std::string heartbeat(reinterpret_cast<const char*>(link::kHeartbeatFrame.data()),
                          link::kHeartbeatFrame.size());
    std::string message = link::encodeMessageFrame(20, "\x91\xCD\x03\xE9");
    std::string bare("\xCF\xCF\x00\x00\x00\x00", 6);
    std::string stream = "junk" + message + heartbeat + bare + message;

    for (std::size_t step : {std::size_t{1}, std::size_t{3}, stream.size()}) {
        PeerFrameReader reader;
        std::vector<Kind> kinds;
        for (std::size_t i = 0; i < stream.size(); i += step) {
            reader.feed(stream.data() + i, std::min(step, stream.size() - i));
            while (std::optional<PeerFrameReader::Frame> f = reader.next()) {
                kinds.push_back(f->kind);
                if (f->kind == Kind::Message) {
                    EXPECT_EQ(f->payload, link::encodeEnvelope(20, "\x91\xCD\x03\xE9"));
                }
            }
        }
        EXPECT_EQ(kinds, (std::vector<Kind>{Kind::Message, Kind::Heartbeat, Kind::Heartbeat,
                                            Kind::Message}))
            << "step " << step;
        EXPECT_EQ(reader.bytesSkipped(), 4u);
        EXPECT_EQ(reader.buffered(), 0u);
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
