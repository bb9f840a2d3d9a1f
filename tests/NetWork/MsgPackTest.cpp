#include "codec/MsgPack.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace pd::msg {
namespace {

std::string bytesOf(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) {
        s.push_back(static_cast<char>(b));
    }
    return s;
}

std::string packedInt(std::int64_t v) {
    Packer p;
    p.integer(v);
    return p.take();
}

std::string packedRaw(std::string_view text) {
    Packer p;
    p.raw(text);
    return p.take();
}

// Whether the bytes decode; for inputs whose views are not looked at.
bool decodes(std::string_view bytes) {
    return decode(bytes).has_value();
}

// n nested one-element arrays around a nil.
std::string nestedArrays(int n) {
    return std::string(static_cast<std::size_t>(n), '\x91') + '\xC0';
}

TEST(MsgPackPacker, IntegersTakeTheirSmallestForm) {
    const std::vector<std::pair<std::int64_t, std::string>> cases = {
        {0, bytesOf({0x00})},
        {127, bytesOf({0x7F})},
        {128, bytesOf({0xCC, 0x80})},
        {255, bytesOf({0xCC, 0xFF})},
        {256, bytesOf({0xCD, 0x01, 0x00})},
        {1001, bytesOf({0xCD, 0x03, 0xE9})},
        {65535, bytesOf({0xCD, 0xFF, 0xFF})},
        {65536, bytesOf({0xCE, 0x00, 0x01, 0x00, 0x00})},
        {99999, bytesOf({0xCE, 0x00, 0x01, 0x86, 0x9F})},
        {4294967296, bytesOf({0xCF, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00})},
        {-1, bytesOf({0xFF})},
        {-32, bytesOf({0xE0})},
        {-33, bytesOf({0xD0, 0xDF})},
        {-128, bytesOf({0xD0, 0x80})},
        {-129, bytesOf({0xD1, 0xFF, 0x7F})},
        {-32769, bytesOf({0xD2, 0xFF, 0xFF, 0x7F, 0xFF})},
        {std::numeric_limits<std::int64_t>::min(),
         bytesOf({0xD3, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00})},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(packedInt(value), expected) << value;
    }
    Packer p;
    p.uinteger(std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(p.take(), bytesOf({0xCF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(MsgPackPacker, TextAndBytesAreRawNeverStr8) {
    // 32 to 255 bytes would be str 8 (D9) in later revisions; the dialect uses raw 16.
    const std::vector<std::pair<std::size_t, std::string>> heads = {
        {0, bytesOf({0xA0})},
        {31, bytesOf({0xBF})},
        {32, bytesOf({0xDA, 0x00, 0x20})},
        {255, bytesOf({0xDA, 0x00, 0xFF})},
        {65536, bytesOf({0xDB, 0x00, 0x01, 0x00, 0x00})},
    };
    for (const auto& [size, head] : heads) {
        EXPECT_EQ(packedRaw(std::string(size, 'x')), head + std::string(size, 'x')) << size;
    }
    const std::string binary = bytesOf({0x00, 0xFF, 0xC4, 0xD9, 0x00});
    const std::string packed = packedRaw(binary);
    EXPECT_EQ(packed, bytesOf({0xA5}) + binary);
    auto d = decode(packed);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->root().asRaw(), binary);

    // A reused packer starts empty after take() and clear().
    Packer p;
    p.array(1).integer(1001);
    EXPECT_EQ(p.take(), bytesOf({0x91, 0xCD, 0x03, 0xE9}));
    p.map(1).raw("k").boolean(true).nil();
    p.clear();
    p.boolean(false);
    EXPECT_EQ(p.take(), bytesOf({0xC2}));
}

TEST(MsgPackDecode, RoundTripsEveryKind) {
    Packer p;
    p.array(9)
        .nil()
        .boolean(true)
        .integer(-5)
        .uinteger(std::numeric_limits<std::uint64_t>::max())
        .real(2.5)
        .raw("text")
        .array(0)
        .map(1)
        .raw("key")
        .integer(7)
        .integer(1001);
    const std::string bytes = p.take();
    auto d = decode(bytes);
    ASSERT_TRUE(d);
    const View v = d->root();
    ASSERT_TRUE(v.isArray());
    ASSERT_EQ(v.size(), 9u);
    EXPECT_TRUE(v[0].isNil());
    EXPECT_EQ(v[1].asBool(), true);
    EXPECT_EQ(v[2].asInt64(), -5);
    EXPECT_EQ(v[3].asUInt64(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(v[3].asInt64(), std::nullopt);  // beyond INT64_MAX
    EXPECT_EQ(v[4].asReal(), 2.5);
    EXPECT_EQ(v[5].asRaw(), "text");
    EXPECT_TRUE(v[6].isArray());
    EXPECT_EQ(v[6].size(), 0u);
    ASSERT_TRUE(v[7].isMap());
    EXPECT_EQ(v[7].size(), 1u);
    EXPECT_EQ(v[7].mapKey(0).asRaw(), "key");
    EXPECT_EQ(v[7].mapValue(0).asInt32(), 7);
    EXPECT_FALSE(v[7].mapKey(1).valid());
    EXPECT_EQ(v[8].asInt32(), 1001);
    EXPECT_FALSE(v[9].valid());

    // A float 32 decodes as a real too.
    const std::string float32 = bytesOf({0xCA, 0x3F, 0x80, 0x00, 0x00});
    EXPECT_EQ(decode(float32)->root().asReal(), 1.0);
}

TEST(MsgPackDecode, AccessorsRefuseOtherTypesAndRanges) {
    Packer p;
    p.array(4).raw("1").integer(4294967297).integer(-1).integer(2147483648);
    const std::string bytes = p.take();
    auto d = decode(bytes);
    ASSERT_TRUE(d);
    const View v = d->root();
    const View invalid;
    for (const View& x : {v[0], invalid}) {
        EXPECT_FALSE(x.asInt64() || x.asInt32Wrapped() || x.asUInt64() || x.asBool() ||
                     x.asReal() || x[0].valid() || x.size() != 0);
    }
    EXPECT_FALSE(invalid.isNil() || invalid.isBool() || invalid.isInteger() || invalid.isRaw() ||
                 invalid.isArray() || invalid.isMap() || invalid.isReal());
    EXPECT_EQ(v[1].asRaw(), std::nullopt);
    EXPECT_EQ(v[1].asInt32(), std::nullopt);  // outside 32 bits
    EXPECT_EQ(v[1].asInt32Wrapped(), 1);      // 2^32 + 1 wraps to 1
    EXPECT_EQ(v[2].asUInt64(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(v[2].asInt32(), -1);
    EXPECT_EQ(v[3].asInt32(), std::nullopt);
    EXPECT_EQ(v[3].asInt32Wrapped(), std::numeric_limits<std::int32_t>::min());
}

TEST(MsgPackDecode, ViewsSurviveMovingTheDecoded) {
    Packer p;
    p.array(2).integer(1).raw("x");
    const std::string bytes = p.take();
    auto first = decode(bytes);
    ASSERT_TRUE(first);
    const View root = first->root();
    Decoded moved = std::move(*first);
    EXPECT_FALSE(first->root().valid());
    EXPECT_EQ(root[0].asInt64(), 1);
    EXPECT_EQ(moved.root()[1].asRaw(), "x");

    const std::string fortyTwo = bytesOf({0x2A});
    auto scalar = decode(fortyTwo);
    ASSERT_TRUE(scalar);
    const View s = scalar->root();
    moved = std::move(*scalar);
    EXPECT_EQ(s.asInt64(), 42);
}

TEST(MsgPackDecode, TakesTheFirstValueAndIgnoresTrailingBytes) {
    const std::string bytes = bytesOf({0x91, 0xCD, 0x03, 0xE9, 0xC1, 0xFF, 0x91});
    EXPECT_EQ(validate(bytes), 4u);
    auto d = decode(bytes);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->root()[0].asInt64(), 1001);
}

TEST(MsgPackDecode, ExcludedTypeBytesAreRefusedAtAnyDepth) {
    std::vector<int> excluded = {0xC1};
    for (int b = 0xC4; b <= 0xC9; ++b) {
        excluded.push_back(b);
    }
    for (int b = 0xD4; b <= 0xD9; ++b) {
        excluded.push_back(b);
    }
    // Enough following bytes that the value would be complete for msgpack-c.
    const std::string tail(20, '\x01');
    for (int b : excluded) {
        const std::string value = bytesOf({b}) + tail;
        EXPECT_EQ(validate(value), std::nullopt) << std::hex << b;
        EXPECT_FALSE(decode(value)) << std::hex << b;
        const std::string inArray = bytesOf({0x92, 0x01}) + value;
        EXPECT_FALSE(decode(inArray)) << std::hex << b;
        const std::string deep = bytesOf({0x91, 0x81, 0xA1, 'k', 0x92, 0xC0}) + value;
        EXPECT_FALSE(decode(deep)) << std::hex << b;
        const std::string asMapKey = bytesOf({0x81}) + value;
        EXPECT_FALSE(decode(asMapKey)) << std::hex << b;
    }
    // Str 8 is well-formed for msgpack-c but not part of the dialect.
    EXPECT_FALSE(decodes(bytesOf({0xD9, 0x03, 'a', 'b', 'c'})));
}

TEST(MsgPackDecode, HugeDeclaredCountsAreRefusedBeforeUnpacking) {
    const std::vector<std::string> hostile = {
        bytesOf({0xDD, 0xFF, 0xFF, 0xFF, 0xFF}),
        bytesOf({0xDF, 0xFF, 0xFF, 0xFF, 0xFF}),
        bytesOf({0xDC, 0xFF, 0xFF}),
        bytesOf({0xDE, 0xFF, 0xFF}),
        bytesOf({0xDB, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}),
        bytesOf({0xDA, 0x01, 0x00, 'a'}),
        // Each count alone fits the bytes that follow, together they do not.
        bytesOf({0x92, 0x94, 0x01, 0x01, 0x01, 0x01}),
        bytesOf({0x92, 0xDD, 0x00, 0x00, 0x00, 0x03, 0x01, 0x01, 0x01}),
        // A map of n pairs needs 2n elements.
        bytesOf({0x83, 0x01, 0x01, 0x01, 0x01}),
    };
    for (const auto& bytes : hostile) {
        EXPECT_EQ(validate(bytes), std::nullopt);
        EXPECT_FALSE(decode(bytes));
    }
    // The same count with every element present is fine.
    std::string full = bytesOf({0xDD, 0x00, 0x01, 0x00, 0x00});
    full.append(65536, '\x01');
    auto d = decode(full);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->root().size(), 65536u);
}

// One-byte values cost a 24-byte node each once decoded: the tree, root included, is bounded.
TEST(MsgPackDecode, TreeLargerThanTheBudgetIsRefused) {
    const std::uint32_t maxValues = kMaxDecodedBytes / sizeof(msgpack_object);
    for (const auto& [elements, accepted] :
         std::vector<std::pair<std::uint32_t, bool>>{{maxValues - 1, true}, {maxValues, false}}) {
        std::string bytes = bytesOf({0xDD});
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<char>((elements >> shift) & 0xFF));
        }
        bytes.append(elements, '\xC0');
        EXPECT_EQ(validate(bytes).has_value(), accepted) << elements;
        // Read element by element, the same list needs one node at a time.
        auto reader = ArrayReader::open(bytes);
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->size(), elements);
        EXPECT_TRUE(reader->next()->isNil());
    }
}

TEST(MsgPackDecode, NestingIsLimitedToThirtyTwoLevels) {
    const std::string deepest = nestedArrays(kMaxDepth);
    auto ok = decode(deepest);
    ASSERT_TRUE(ok);
    View v = ok->root();
    for (int i = 0; i < kMaxDepth; ++i) {
        ASSERT_TRUE(v.isArray()) << i;
        v = v[0];
    }
    EXPECT_TRUE(v.isNil());

    EXPECT_FALSE(decodes(nestedArrays(kMaxDepth + 1)));
    EXPECT_FALSE(decodes(nestedArrays(10000)));
    // An empty container still counts as a level, as it does for msgpack-c.
    EXPECT_TRUE(decodes(std::string(kMaxDepth - 1, '\x91') + '\x90'));
    EXPECT_FALSE(decodes(std::string(kMaxDepth, '\x91') + '\x90'));
    std::string maps;
    for (int i = 0; i < kMaxDepth + 1; ++i) {
        maps += bytesOf({0x81, 0x01});
    }
    EXPECT_FALSE(decodes(maps + '\xC0'));
}

TEST(MsgPackDecode, TruncatedAndEmptyInputsAreRefused) {
    Packer p;
    p.array(5)
        .integer(99999)
        .raw(std::string(40, 'x'))
        .map(1)
        .raw("k")
        .real(1.5)
        .array(2)
        .integer(-200)
        .uinteger(1ull << 40)
        .boolean(false);
    const std::string whole = p.take();
    ASSERT_EQ(validate(whole), whole.size());
    for (std::size_t n = 0; n < whole.size(); ++n) {
        EXPECT_EQ(validate(whole.substr(0, n)), std::nullopt) << n;
        EXPECT_FALSE(decodes(whole.substr(0, n))) << n;
    }
}

}  // namespace
}  // namespace pd::msg
