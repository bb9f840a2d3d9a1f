#include "model/DirAndFileListData.h"
#include "model/DiskListData.h"
#include "model/FileClassifyData.h"
#include "model/FileInfoData.h"
#include "model/RowName.h"

#include <gtest/gtest.h>

#include <string>

namespace pd {
namespace {

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
    EXPECT_EQ(info->name, "report.pdf");
    EXPECT_EQ(info->isDir, 0);
    EXPECT_EQ(info->size, 5'000'000'000ull);
    EXPECT_EQ(info->modifyTime, 132'000'000'000'000'000ull);
    EXPECT_EQ(info->desc, "PDF file");
    EXPECT_EQ(info->classify, 16);

    // "Taken as 32-bit signed" wraps; unsigned 64-bit fields take negatives as they wrap.
    msg::Packer p;
    p.array(6).raw("\xE6\x88\x91").integer(4294967298).integer(-1).integer(0).raw("").integer(-7);
    const std::string wrapped = p.take();
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

    msg::Packer five;
    five.array(5).raw("a").integer(0).integer(1).integer(2).raw("d");
    msg::Packer seven;
    seven.array(7).raw("a").integer(0).integer(1).integer(2).raw("d").integer(0).nil();
    msg::Packer nameIsInt;
    nameIsInt.array(6).integer(1).integer(0).integer(1).integer(2).raw("d").integer(0);
    msg::Packer sizeIsText;
    sizeIsText.array(6).raw("a").integer(0).raw("1").integer(2).raw("d").integer(0);
    msg::Packer classifyIsNil;
    classifyIsNil.array(6).raw("a").integer(0).integer(1).integer(2).raw("d").nil();
    msg::Packer notArray;
    notArray.raw("a");
    for (msg::Packer* p : {&five, &seven, &nameIsInt, &sizeIsText, &classifyIsNil, &notArray}) {
        const std::string bytes = p->take();
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

    msg::Packer wrongType;
    wrongType.array(6).raw("x").raw("1").integer(0).integer(0).nil().nil();
    const std::string wrong = wrongType.take();
    EXPECT_FALSE(FileClassifyData::FileClassifyWifhArr(msg::decode(wrong)->root()));
    msg::Packer five;
    five.array(5).raw("x").integer(1).integer(0).integer(0).nil();
    const std::string short5 = five.take();
    EXPECT_FALSE(FileClassifyData::FileClassifyWifhArr(msg::decode(short5)->root()));
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
    EXPECT_EQ(row.name, "C:");
    EXPECT_EQ(row.isDir, 2);
    EXPECT_EQ(row.classify, 4096);
    EXPECT_EQ(row.size, 10u);
    EXPECT_EQ(row.modifyTime, 20u);
    EXPECT_EQ(row.desc, "Local disk");

    FileClassifyData member;
    member.isDir = 1;
    member.name = "D:\\Data\\";
    member.size = 30;
    member.modifyTime = 40;
    const auto memberRow = DirAndFileListData::DirAndFileListWifhObj(member);
    EXPECT_EQ(memberRow.name, "D:/Data");
    EXPECT_EQ(memberRow.isDir, 1);
    EXPECT_EQ(memberRow.size, 30u);
    EXPECT_EQ(memberRow.modifyTime, 40u);
    EXPECT_EQ(memberRow.desc, "");
    EXPECT_EQ(memberRow.classify, 0);

    const auto disk = DiskListData::DiskListWifhObj(info);
    EXPECT_EQ(disk.name, "C:");
    EXPECT_EQ(disk.isDir, 2);
    EXPECT_EQ(disk.desc, "Local disk");
}

}  // namespace
}  // namespace pd
