#include "platform/UrlEncode.h"

#include <gtest/gtest.h>

using pd::UrlEncode;

TEST(UrlEncode, EscapesEverythingButUnreservedCharacters) {
    EXPECT_EQ(UrlEncode::encodeToPercentEscapeString("a b/c~"), "a%20b%2Fc~");
    EXPECT_EQ(UrlEncode::encodeToPercentEscapeString("\xC3\xA9"), "%C3%A9");
    EXPECT_EQ(UrlEncode::encodeToPercentEscapeString("!*'();:@&=+$,/?%#[]"),
              "%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D");
    EXPECT_EQ(UrlEncode::encodeToPercentEscapeString("AZaz09-_.~"), "AZaz09-_.~");
    EXPECT_EQ(UrlEncode::encodeToPercentEscapeString("D:/My Docs/a+b.txt"),
              "D%3A%2FMy%20Docs%2Fa%2Bb.txt");
}

TEST(UrlEncode, DecodesPlusAsSpaceThenEscapes) {
    EXPECT_EQ(UrlEncode::decodeFromPercentEscapeString("a+b%2B"), "a b+");
    EXPECT_EQ(UrlEncode::decodeFromPercentEscapeString("%C3%A9"), "\xC3\xA9");
    const std::string all = "x y/z\xC3\xA9!";
    EXPECT_EQ(UrlEncode::decodeFromPercentEscapeString(UrlEncode::encodeToPercentEscapeString(all)),
              all);
}

TEST(UrlEncode, RefusesMalformedEscapesInsteadOfGuessing) {
    EXPECT_FALSE(UrlEncode::decodeFromPercentEscapeString("50%"));
    EXPECT_FALSE(UrlEncode::decodeFromPercentEscapeString("%4"));
    EXPECT_FALSE(UrlEncode::decodeFromPercentEscapeString("%zz"));
    EXPECT_FALSE(UrlEncode::decodeFromPercentEscapeString("%FF"));  // not UTF-8
}
