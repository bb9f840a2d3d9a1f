// The size headers a download trusts, and the progress a preview reports.

#include "core/ContentRange.h"
#include "core/PreviewDownload.h"
#include "core/ResponseHead.h"

#include <gtest/gtest.h>

using namespace pd;

namespace {

TEST(ContentRangeTest, TakesTheCompleteSizeOnlyFromAWellFormedRange) {
    const auto range = parseContentRange("bytes 1000-1999/2000");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 1000u);
    EXPECT_EQ(range->last, 1999u);
    EXPECT_EQ(range->complete, 2000u);
    EXPECT_EQ(parseContentRange("bytes 0-18446744073709551614/18446744073709551615")->complete,
              18446744073709551615u);

    for (const char* bad : {"bytes 1000-1999", "bytes */2000", "bytes  1000-1999/2000",
                            "Bytes 0-1/2", "items 0-1/2", "bytes 0-1/2/3", "bytes -1-5/10",
                            "bytes 0-1/18446744073709551616", "bytes 0-1/99999999999999999999",
                            "bytes 5-4/10", "bytes 0-10/10", "bytes 0-1/+2", "bytes 0-1/2x", ""}) {
        EXPECT_FALSE(parseContentRange(bad)) << bad;
    }
}

TEST(ContentRangeTest, ReadsLengthsAndUnsatisfiedRangesAsCheckedNumbers) {
    EXPECT_EQ(parseContentLength("2000"), 2000u);
    EXPECT_EQ(parseContentLength(" 2000 "), 2000u);
    EXPECT_EQ(parseContentLength("0"), 0u);
    for (const char* bad : {"", "-1", "20a0", "0x10", "18446744073709551616"}) {
        EXPECT_FALSE(parseContentLength(bad)) << bad;
    }
    EXPECT_EQ(parseUnsatisfiedRange("bytes */2000"), 2000u);
    EXPECT_FALSE(parseUnsatisfiedRange("bytes 0-1/2000"));
    EXPECT_FALSE(parseUnsatisfiedRange("bytes */"));
}

TEST(ResponseHeadTest, ReportsTheFinalHeaderBlockWithItsSizes) {
    ResponseHead head;
    EXPECT_FALSE(head.feed("HTTP/1.1 100 Continue\r\n"));
    EXPECT_FALSE(head.feed("\r\n"));  // informational: wait for the real answer
    EXPECT_FALSE(head.feed("HTTP/1.1 206 Partial Content\r\n"));
    EXPECT_FALSE(head.feed("content-range: bytes 10-19/20\r\n"));
    EXPECT_FALSE(head.feed("Content-Length:  10 \r\n"));
    EXPECT_FALSE(head.feed("X-Other: y\r\n"));
    EXPECT_TRUE(head.feed("\r\n"));
    EXPECT_EQ(head.status(), 206);
    EXPECT_EQ(head.contentRange(), "bytes 10-19/20");
    EXPECT_EQ(head.contentLength(), "10");

    // A new status line forgets the headers of the answer before it.
    EXPECT_FALSE(head.feed("HTTP/2 404\r\n"));
    EXPECT_FALSE(head.contentRange());
    EXPECT_FALSE(head.feed("Content-Length: " + std::string(300, '9') + "\r\n"));
    EXPECT_TRUE(head.feed("\r\n"));
    EXPECT_EQ(head.status(), 404);
    EXPECT_FALSE(head.contentLength());  // too long to be a size
}

// Rounding must not reach 1 before the last byte of a large file (the download tests show
// that a running preview never reports 1, and a whole one does once).
TEST(PreviewProgressTest, StaysBelowOneUntilTheFileIsDone) {
    EXPECT_EQ(PreviewDownload::runningFraction(0, 0), 0.0f);  // the size is not known
    EXPECT_LT(PreviewDownload::runningFraction((4ull << 30) - 1, 4ull << 30), 1.0f);
}

}  // namespace
