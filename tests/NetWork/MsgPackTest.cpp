#include "codec/MsgPack.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace pd::msg {
namespace {

// "91 cd03e9" -> the bytes it spells; spaces are ignored.
std::string hex(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != ' ') {
            out.push_back(
                static_cast<char>(std::stoi(std::string(text.substr(i++, 2)), nullptr, 16)));
        }
    }
    return out;
}

// n nested one-element arrays around a nil.
std::string nestedArrays(int n) {
    return std::string(static_cast<std::size_t>(n), '\x91') + '\xC0';
}

// One value of every kind, as the packer must write it and as the decoder reads it:
// [nil, true, -5, UINT64_MAX, 2.5, "text", [], {"key": 7}, 1001, 2^32 + 1, -1, 2^31].
const std::string kEveryKind =
    hex("9c c0 c3 fb cf ffffffffffffffff cb 4004000000000000 a4 74657874"
        "90 81 a36b6579 07 cd03e9 cf 0000000100000001 ff ce80000000");

TEST(MsgPackPacker, WritesEachValueInItsSmallestForm) {
    const std::pair<std::int64_t, const char*> integers[] = {
        {0, "00"},
        {127, "7f"},
        {128, "cc80"},
        {255, "ccff"},
        {256, "cd0100"},
        {65535, "cdffff"},
        {65536, "ce00010000"},
        {4294967296, "cf0000000100000000"},
        {-1, "ff"},
        {-32, "e0"},
        {-33, "d0df"},
        {-128, "d080"},
        {-129, "d1ff7f"},
        {-32769, "d2ffff7fff"},
        {std::numeric_limits<std::int64_t>::min(), "d38000000000000000"}};
    for (const auto& [value, expected] : integers) {
        Packer p;
        p.integer(value);
        EXPECT_EQ(p.take(), hex(expected)) << value;
    }
    // 32 to 255 bytes would be str 8 (d9) in later revisions; the dialect uses raw 16.
    const std::pair<std::size_t, const char*> heads[] = {
        {0, "a0"}, {31, "bf"}, {32, "da0020"}, {255, "da00ff"}, {65536, "db00010000"}};
    for (const auto& [size, head] : heads) {
        Packer p;
        p.raw(std::string(size, 'x'));
        EXPECT_EQ(p.take(), hex(head) + std::string(size, 'x')) << size;
    }
    // A raw may hold any byte, zero and excluded type bytes included.
    const std::string binary = hex("a5 00ffc4d900");
    Packer p;
    p.raw(binary.substr(1));
    EXPECT_EQ(p.take(), binary);
    EXPECT_EQ(decode(binary)->root().asRaw(), binary.substr(1));
    // A reused packer starts empty after take() and clear().
    p.array(1).integer(1001);
    EXPECT_EQ(p.take(), hex("91 cd03e9"));
    p.map(1).raw("k").boolean(true).nil();
    p.clear();
    p.array(12).nil().boolean(true).integer(-5).uinteger(std::numeric_limits<std::uint64_t>::max());
    p.real(2.5).raw("text").array(0).map(1).raw("key").integer(7).integer(1001);
    p.integer(4294967297).integer(-1).integer(2147483648);
    EXPECT_EQ(p.take(), kEveryKind);
}

TEST(MsgPackDecode, ReadsEveryKindAndAccessorsRefuseOtherTypesAndRanges) {
    // Only the first value counts: trailing bytes, even excluded ones, are ignored.
    const std::string bytes = kEveryKind + hex("c1ff91");
    EXPECT_EQ(validate(bytes), kEveryKind.size());
    auto d = decode(bytes);
    ASSERT_TRUE(d);
    const View v = d->root();
    ASSERT_EQ(v.size(), 12u);
    EXPECT_TRUE(v[0].isNil());
    EXPECT_EQ(v[1].asBool(), true);
    EXPECT_EQ(v[2].asInt64(), -5);
    EXPECT_EQ(v[3].asUInt64(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(v[3].asInt64(), std::nullopt);  // beyond INT64_MAX
    EXPECT_EQ(v[4].asReal(), 2.5);
    EXPECT_EQ(v[5].asRaw(), "text");
    EXPECT_TRUE(v[6].isArray() && v[6].size() == 0);
    ASSERT_TRUE(v[7].isMap() && v[7].size() == 1);
    EXPECT_EQ(v[7].mapKey(0).asRaw(), "key");
    EXPECT_EQ(v[7].mapValue(0).asInt32(), 7);
    EXPECT_FALSE(v[7].mapKey(1).valid());
    EXPECT_EQ(v[8].asInt32(), 1001);
    EXPECT_EQ(v[8].asRaw(), std::nullopt);
    EXPECT_FALSE(v[12].valid());
    // 32-bit reads refuse what does not fit; the wrapped read keeps the low 32 bits.
    EXPECT_EQ(v[9].asInt32(), std::nullopt);
    EXPECT_EQ(v[9].asInt32Wrapped(), 1);
    EXPECT_EQ(v[10].asUInt64(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(v[10].asInt32(), -1);
    EXPECT_EQ(v[11].asInt32(), std::nullopt);
    EXPECT_EQ(v[11].asInt32Wrapped(), std::numeric_limits<std::int32_t>::min());

    const View invalid;
    for (const View& x : {v[5], invalid}) {
        EXPECT_FALSE(x.asInt64() || x.asInt32Wrapped() || x.asUInt64() || x.asBool() ||
                     x.asReal() || x[0].valid() || x.size() != 0);
    }
    EXPECT_FALSE(invalid.isNil() || invalid.isBool() || invalid.isInteger() || invalid.isRaw() ||
                 invalid.isArray() || invalid.isMap() || invalid.isReal());
    const std::string float32 = hex("ca 3f800000");
    EXPECT_EQ(decode(float32)->root().asReal(), 1.0);
}

TEST(MsgPackDecode, ViewsSurviveMovingTheDecoded) {
    auto first = decode(kEveryKind);
    ASSERT_TRUE(first);
    const View root = first->root();
    Decoded moved = std::move(*first);
    EXPECT_FALSE(first->root().valid());
    EXPECT_EQ(root[2].asInt64(), -5);
    EXPECT_EQ(moved.root()[5].asRaw(), "text");

    const std::string fortyTwo = hex("2a");
    auto scalar = decode(fortyTwo);
    ASSERT_TRUE(scalar);
    const View s = scalar->root();
    moved = std::move(*scalar);
    EXPECT_EQ(s.asInt64(), 42);
}

TEST(MsgPackDecode, RefusesMalformedInput) {
    const auto refused = [](const std::string& bytes) {
        return !validate(bytes) && !decode(bytes);
    };
    std::string maps;
    for (int i = 0; i <= kMaxDepth; ++i) {
        maps += hex("8101");
    }
    const std::pair<const char*, std::string> cases[] = {
        {"str 8, not in the dialect", hex("d9 03 616263")},
        // Declared counts beyond the input are refused before anything is allocated.
        {"array 32", hex("dd ffffffff")},
        {"map 32", hex("df ffffffff")},
        {"array 16", hex("dc ffff")},
        {"map 16", hex("de ffff")},
        {"raw 32", hex("db ffffffff 61")},
        {"raw 16", hex("da 0100 61")},
        {"counts that fit alone, not together", hex("92 94 01010101")},
        {"array 32 inside", hex("92 dd00000003 010101")},
        {"a map of n pairs needs 2n elements", hex("83 01010101")},
        {"arrays too deep", nestedArrays(kMaxDepth + 1)},
        {"arrays far too deep", nestedArrays(10000)},
        {"an empty container is a level", std::string(kMaxDepth, '\x91') + '\x90'},
        {"maps too deep", maps + '\xC0'},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_TRUE(refused(bytes)) << name;
    }

    // Type bytes the dialect excludes, with enough following bytes to complete them for
    // msgpack-c, at the top, in an array, deep inside and as a map key.
    for (int b = 0xC1; b <= 0xD9; ++b) {
        if (b == 0xC1 || (b >= 0xC4 && b <= 0xC9) || b >= 0xD4) {
            const std::string value = std::string(1, static_cast<char>(b)) + std::string(20, 1);
            for (const char* around : {"", "92 01", "91 81 a16b 92 c0", "81"}) {
                EXPECT_TRUE(refused(hex(around) + value)) << std::hex << b << " in " << around;
            }
        }
    }
    // Every value cut short anywhere.
    for (std::size_t n = 0; n < kEveryKind.size(); ++n) {
        EXPECT_TRUE(refused(kEveryKind.substr(0, n))) << n;
    }
}

TEST(MsgPackDecode, AcceptsValuesAtTheLimitsAndRefusesTreesBeyondTheBudget) {
    const std::string deepest = nestedArrays(kMaxDepth);
    auto ok = decode(deepest);
    ASSERT_TRUE(ok);
    View v = ok->root();
    for (int i = 0; i < kMaxDepth; ++i) {
        ASSERT_TRUE(v.isArray()) << i;
        v = v[0];
    }
    EXPECT_TRUE(v.isNil());
    const std::string emptyInnermost = std::string(kMaxDepth - 1, '\x91') + '\x90';
    EXPECT_TRUE(decode(emptyInnermost));

    // One-byte values cost a 24-byte node each once decoded: the tree, root included, is bounded.
    const std::uint32_t maxValues = kMaxDecodedBytes / sizeof(msgpack_object);
    for (const auto& [elements, accepted] :
         std::vector<std::pair<std::uint32_t, bool>>{{maxValues - 1, true}, {maxValues, false}}) {
        std::string bytes = hex("dd");
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

}  // namespace
}  // namespace pd::msg
