#include "platform/UrlEncode.h"

#include <gtest/gtest.h>

using pd::UrlEncode;

// Known texts both ways; a malformed escape or one that is not UTF-8 is refused, not guessed at.
TEST(UrlEncode, EscapesAllButUnreservedAndDecodesOnlyWellFormedText) {
    EXPECT_EQ(UrlEncode::encodeToPercentEscapeString("!*'();:@&=+$,/?%#[]"),
              "%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D");
    EXPECT_EQ(UrlEncode::encodeToPercentEscapeString("AZaz09-_.~"), "AZaz09-_.~");
    EXPECT_EQ(UrlEncode::decodeFromPercentEscapeString("a+b%2B%C3%A9"), "a b+\xC3\xA9");
    for (const char* bad : {"50%", "%4", "%FF"}) {
        EXPECT_FALSE(UrlEncode::decodeFromPercentEscapeString(bad)) << bad;
    }
}
