#include "model/DirAndFileListData.h"
#include "model/DiskListData.h"
#include "model/FileClassifyData.h"
#include "model/FileInfoData.h"
#include "model/RowName.h"
#include "support/ScriptedComputer.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace pd {
namespace {

using test::I;
using test::pack;
using test::R;

const std::string kNotUtf8 = "\xC3\x28";  // a lead byte without its continuation

// Packs [name, isDir, size, modifyTime, desc, classify] the way the computer sends an entry.
std::string entry(std::string_view name, std::int64_t isDir, std::uint64_t size,
                  std::uint64_t mtime, std::string_view desc, std::int64_t classify) {
    msg::Packer p;
    p.array(6).raw(name).integer(isDir).uinteger(size).uinteger(mtime).raw(desc).integer(classify);
    return p.take();
}

TEST(FileInfoData, DecodesASixElementEntry) {
    const std::string bytes =
        entry("report.pdf", 0, 5'000'000'000ull, 132'000'000'000'000'000ull, "PDF file", 16);
    auto d = msg::decode(bytes);
    ASSERT_TRUE(d);
    auto info = FileInfoData::FileInfoWifhArr(d->root());
    ASSERT_TRUE(info);
    EXPECT_EQ(
        std::tie(info->name, info->isDir, info->size, info->modifyTime, info->desc, info->classify),
        std::make_tuple("report.pdf", 0, 5'000'000'000ull, 132'000'000'000'000'000ull, "PDF file",
                        16));

    // "Taken as 32-bit signed" wraps; unsigned 64-bit fields take negatives as they wrap.
    const std::string wrapped = pack({R("\xE6\x88\x91"), I(4294967298), I(-1), I(0), R(""), I(-7)});
    auto w = msg::decode(wrapped);
    ASSERT_TRUE(w);
    auto info2 = FileInfoData::FileInfoWifhArr(w->root());
    ASSERT_TRUE(info2);
    EXPECT_EQ(info2->name, "\xE6\x88\x91");
    EXPECT_EQ(info2->isDir, 2);
    EXPECT_EQ(info2->size, UINT64_MAX);
    EXPECT_EQ(info2->classify, -7);
}

TEST(FileInfoData, RefusesOtherCountsAndTypesAndEmptiesBadText) {
    const std::string badDesc = entry("a.txt", 0, 1, 2, kNotUtf8, 0);
    auto d = msg::decode(badDesc);
    ASSERT_TRUE(d);
    auto info = FileInfoData::FileInfoWifhArr(d->root());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->desc, "");
    EXPECT_EQ(info->name, "a.txt");
    const std::string badNameBytes = entry(kNotUtf8, 1, 0, 0, "d", 0);
    auto badName = msg::decode(badNameBytes);
    EXPECT_EQ(FileInfoData::FileInfoWifhArr(badName->root())->name, "");

    msg::Packer notArray;
    notArray.raw("a");
    for (const std::string& bytes : {
             pack({R("a"), I(0), I(1), I(2), R("d")}),               // five elements
             pack({R("a"), I(0), I(1), I(2), R("d"), I(0), R("")}),  // seven
             pack({I(1), I(0), I(1), I(2), R("d"), I(0)}),           // name not text
             pack({R("a"), I(0), R("1"), I(2), R("d"), I(0)}),       // size not a number
             pack({R("a"), I(0), I(1), I(2), R("d"), test::A({})}),  // classify not a number
             notArray.take(),
         }) {
        auto v = msg::decode(bytes);
        ASSERT_TRUE(v);
        EXPECT_FALSE(FileInfoData::FileInfoWifhArr(v->root()));
    }
    EXPECT_FALSE(FileInfoData::FileInfoWifhArr(msg::View()));
}

TEST(FileClassifyData, ReadsTheFirstFourElementsOnly) {
    msg::Packer p;
    p.array(6).raw("D:\\Photos\\").integer(1).integer(300).integer(400).nil().array(0);
    const std::string bytes = p.take();
    auto d = msg::decode(bytes);
    ASSERT_TRUE(d);
    auto member = FileClassifyData::FileClassifyWifhArr(d->root());
    ASSERT_TRUE(member);
    EXPECT_EQ(member->name, "D:\\Photos\\");
    EXPECT_EQ(member->isDir, 1);
    EXPECT_EQ(member->size, 300u);
    EXPECT_EQ(member->modifyTime, 400u);

    for (const std::string& bad :
         {pack({R("x"), R("1"), I(0), I(0), I(0), I(0)}), pack({R("x"), I(1), I(0), I(0), I(0)})}) {
        EXPECT_FALSE(FileClassifyData::FileClassifyWifhArr(msg::decode(bad)->root()));
    }
}

TEST(RowName, SlashesAndOneTrailingSlash) {
    EXPECT_EQ(rowNameFromComputerPath("C:\\"), "C:");
    EXPECT_EQ(rowNameFromComputerPath("D:\\Data\\"), "D:/Data");
    EXPECT_EQ(rowNameFromComputerPath("D:/Music/"), "D:/Music");
    EXPECT_EQ(rowNameFromComputerPath("/"), "");
    EXPECT_EQ(rowNameFromComputerPath(""), "");
    EXPECT_EQ(rowNameFromComputerPath("E:\\\\"), "E:/");
    EXPECT_EQ(rowNameFromComputerPath("notes.txt"), "notes.txt");
}

TEST(DirAndFileListData, RowsFromEntriesAndClassMembers) {
    FileInfoData info;
    info.isDir = 2;
    info.classify = 4096;
    info.name = "C:\\";
    info.size = 10;
    info.modifyTime = 20;
    info.desc = "Local disk";
    const auto row = DirAndFileListData::DirAndFileListWifhObj(info);
    EXPECT_EQ(std::tie(row.name, row.isDir, row.classify, row.size, row.modifyTime, row.desc),
              std::make_tuple("C:", 2, 4096, 10u, 20u, "Local disk"));

    FileClassifyData member;
    member.isDir = 1;
    member.name = "D:\\Data\\";
    member.size = 30;
    member.modifyTime = 40;
    const auto m = DirAndFileListData::DirAndFileListWifhObj(member);
    EXPECT_EQ(std::tie(m.name, m.isDir, m.classify, m.size, m.modifyTime, m.desc),
              std::make_tuple("D:/Data", 1, 0, 30u, 40u, ""));

    const auto disk = DiskListData::DiskListWifhObj(info);
    EXPECT_EQ(disk.name, "C:");
    EXPECT_EQ(disk.isDir, 2);
    EXPECT_EQ(disk.desc, "Local disk");
}

}  // namespace
}  // namespace pd
