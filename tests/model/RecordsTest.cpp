// The records read from the arrays the computer sends, and the rows made from them.

#include "model/DirInfoData.h"
#include "model/FileClassifyData.h"
#include "model/FileInfoData.h"
#include "model/FileTime.h"
#include "model/RowName.h"
#include "model/RspDirInfo.h"
#include "model/WifiListItemData.h"
#include "support/ScriptedComputer.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace pd {
namespace {

using test::A;
using test::I;
using test::pack;
using test::R;

const std::string kNotUtf8 = "\xC3\x28";  // a lead byte without its continuation

// Decodes `bytes` and reads the root with `read`, one of the records' array readers.
template <class Read>
auto readPacked(const std::string& bytes, Read read) {
    auto decoded = msg::decode(bytes);
    EXPECT_TRUE(decoded) << "the test's bytes do not decode";
    return decoded ? read(decoded->root()) : decltype(read(msg::View())){};
}

TEST(Records, ArraysFromTheComputerFillTheirFields) {
    // [name, isDir, size, modifyTime, desc, classify]: "taken as 32-bit signed" wraps;
    // unsigned 64-bit fields take negatives as they wrap.
    auto info = readPacked(pack({R("\xE6\x88\x91"), I(4294967298), I(-1), I(0), R(""), I(-7)}),
                           FileInfoData::FileInfoWifhArr);
    ASSERT_TRUE(info);
    EXPECT_EQ(std::tie(info->name, info->isDir, info->size, info->classify),
              std::make_tuple("\xE6\x88\x91", 2, UINT64_MAX, -7));

    // A class member: only the first four elements count.
    const auto member = readPacked(pack({R("D:\\Photos\\"), I(1), I(300), I(400), R("x"), A({})}),
                                   FileClassifyData::FileClassifyWifhArr);
    ASSERT_TRUE(member);
    EXPECT_EQ(std::tie(member->name, member->isDir, member->size, member->modifyTime),
              std::make_tuple("D:\\Photos\\", 1, 300u, 400u));

    const auto item = readPacked(pack({R("Phone X"), R("AA:BB:CC:DD:EE:FF"), R("12.5"), I(3600),
                                       I(1), I(2), I(100), I(200), R("860000000000000")}),
                                 WifiListItemData::WifiListWifhArr);
    ASSERT_TRUE(item);
    EXPECT_EQ(std::tie(item->phoneModel, item->macAddress, item->tranSpeed, item->deviceIMEI),
              std::make_tuple("Phone X", "AA:BB:CC:DD:EE:FF", "12.5", "860000000000000"));
    EXPECT_EQ(
        std::tie(item->connTime, item->connState, item->connType, item->upValue, item->downValue),
        std::make_tuple(3600, 1, 2, 100, 200));

    // Folder statistics: [number, result, path, files, folders, size].
    const auto rsp = readPacked(pack({I(0), I(0), R("D:/Data"), I(12), I(3), I(1ll << 33)}),
                                RspDirInfo::fromArray);
    ASSERT_TRUE(rsp);
    const auto dir = DirInfoData::DirInfoWifhRsp(*rsp);
    EXPECT_EQ(std::tie(dir.pathName, dir.fileCount, dir.dirCount, dir.dirSize),
              std::make_tuple("D:/Data", 12, 3, 1ull << 33));
}

// Another count or a field of another type refuses the whole record; text that is not UTF-8
// is left out of a record that is otherwise kept.
TEST(Records, WrongShapesAreRefusedAndBadTextIsLeftOut) {
    const auto fileInfo = [](msg::View v) { return FileInfoData::FileInfoWifhArr(v).has_value(); };
    const auto member = [](msg::View v) {
        return FileClassifyData::FileClassifyWifhArr(v).has_value();
    };
    const auto wifi = [](msg::View v) { return WifiListItemData::WifiListWifhArr(v).has_value(); };
    const auto dirInfo = [](msg::View v) { return RspDirInfo::fromArray(v).has_value(); };
    const std::pair<bool (*)(msg::View), std::string> refused[] = {
        {fileInfo, pack({R("a"), I(0), I(1), I(2), R("d")})},
        {fileInfo, pack({R("a"), I(0), I(1), I(2), R("d"), I(0), R("")})},
        {fileInfo, pack({I(1), I(0), I(1), I(2), R("d"), I(0)})},
        {fileInfo, pack({R("a"), I(0), R("1"), I(2), R("d"), I(0)})},
        {fileInfo, pack({R("a"), I(0), I(1), I(2), R("d"), A({})})},
        {fileInfo, "\xA1z"},  // a text, not an array
        {member, pack({R("x"), R("1"), I(0), I(0), I(0), I(0)})},
        {member, pack({R("x"), I(1), I(0), I(0), I(0)})},
        {wifi, pack({R("a"), R("b"), R("c"), I(1), I(1), I(1), I(1), I(1)})},
        {wifi, pack({R("a"), R("b"), R("c"), R("1"), I(1), I(1), I(1), I(1), R("d")})},
        {wifi, pack({R("a"), R("b"), R("c"), I(1), I(1), I(1), I(1), I(1), I(1)})},
        {dirInfo, pack({I(0), I(0), R("p"), I(1), I(1)})},
        {dirInfo, pack({I(0), I(0), R("p"), R("1"), I(1), I(1)})},
    };
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_FALSE(readPacked(refused[i].second, refused[i].first)) << "case " << i;
    }
    EXPECT_FALSE(FileInfoData::FileInfoWifhArr(msg::View()));

    auto info = readPacked(pack({R("a.txt"), I(0), I(1), I(2), R(kNotUtf8), I(0)}),
                           FileInfoData::FileInfoWifhArr);
    EXPECT_EQ(std::tie(info->name, info->desc), std::make_tuple("a.txt", ""));
    info = readPacked(pack({R(kNotUtf8), I(1), I(0), I(0), R("d"), I(0)}),
                      FileInfoData::FileInfoWifhArr);
    EXPECT_EQ(info->name, "");
    const auto item = readPacked(
        pack({R(kNotUtf8), R("AA"), R("1"), I(1), I(1), I(0), I(1), I(1), R("860000000000000")}),
        WifiListItemData::WifiListWifhArr);
    EXPECT_EQ(std::tie(item->phoneModel, item->macAddress), std::make_tuple(std::nullopt, "AA"));
    const auto rsp =
        readPacked(pack({I(0), I(0), R(kNotUtf8), I(1), I(1), I(1)}), RspDirInfo::fromArray);
    EXPECT_EQ(rsp->pathName, "");
}

TEST(Records, RowNamesAndTimesFromKnownValues) {
    const std::pair<const char*, const char*> names[] = {
        {"C:\\", "C:"}, {"D:\\Data\\", "D:/Data"}, {"D:/Music/", "D:/Music"},  {"/", ""},
        {"", ""},       {"E:\\\\", "E:/"},         {"notes.txt", "notes.txt"},
    };
    for (const auto& [path, row] : names) {
        EXPECT_EQ(rowNameFromComputerPath(path), row) << path;
    }

    // Windows file times to seconds since 1970; sub-second ticks are dropped.
    EXPECT_EQ(fileTimeToUnixSeconds(116'444'736'000'000'000ull), 0);
    EXPECT_EQ(fileTimeToUnixSeconds(116'444'736'009'999'999ull), 0);
    EXPECT_EQ(fileTimeToUnixSeconds(132'539'328'000'000'000ull), 1'609'459'200);  // 2021-01-01
    EXPECT_EQ(fileTimeToUnixSeconds(0), -11'644'473'600);
    EXPECT_EQ(fileTimeToUnixSeconds(UINT64_MAX), 1'844'674'407'370 - 11'644'473'600);
}

}  // namespace
}  // namespace pd
