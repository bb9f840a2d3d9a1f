#include "model/DirInfoData.h"
#include "model/FileTime.h"
#include "model/RspDirInfo.h"
#include "model/WifiListItemData.h"

#include <gtest/gtest.h>

#include <string>

namespace pd {
namespace {

const std::string kNotUtf8 = "\xFF\xFE";

std::string wifiItem(std::string_view model, std::int64_t connType) {
    msg::Packer p;
    p.array(9)
        .raw(model)
        .raw("AA:BB:CC:DD:EE:FF")
        .raw("12.5")
        .integer(3600)
        .integer(1)
        .integer(connType)
        .integer(100)
        .integer(200)
        .raw("860000000000000");
    return p.take();
}

TEST(WifiListItemData, DecodesNineElements) {
    const std::string bytes = wifiItem("Phone X", 2);
    auto d = msg::decode(bytes);
    ASSERT_TRUE(d);
    auto item = WifiListItemData::WifiListWifhArr(d->root());
    ASSERT_TRUE(item);
    EXPECT_EQ(item->phoneModel, "Phone X");
    EXPECT_EQ(item->macAddress, "AA:BB:CC:DD:EE:FF");
    EXPECT_EQ(item->tranSpeed, "12.5");
    EXPECT_EQ(item->connTime, 3600);
    EXPECT_EQ(item->connState, 1);
    EXPECT_EQ(item->connType, 2);  // the phone's own entry
    EXPECT_EQ(item->upValue, 100);
    EXPECT_EQ(item->downValue, 200);
    EXPECT_EQ(item->deviceIMEI, "860000000000000");
}

TEST(WifiListItemData, BadTextIsAbsentWrongShapeIsRefused) {
    const std::string bytes = wifiItem(kNotUtf8, 0);
    auto d = msg::decode(bytes);
    ASSERT_TRUE(d);
    auto item = WifiListItemData::WifiListWifhArr(d->root());
    ASSERT_TRUE(item);
    EXPECT_EQ(item->phoneModel, std::nullopt);
    EXPECT_EQ(item->macAddress, "AA:BB:CC:DD:EE:FF");
    EXPECT_EQ(item->connType, 0);

    msg::Packer eight;
    eight.array(8).raw("a").raw("b").raw("c").integer(1).integer(1).integer(1).integer(1).integer(
        1);
    msg::Packer typeInText;
    typeInText.array(9)
        .raw("a")
        .raw("b")
        .raw("c")
        .raw("1")
        .integer(1)
        .integer(1)
        .integer(1)
        .integer(1)
        .raw("d");
    msg::Packer imeiNil;
    imeiNil.array(9)
        .raw("a")
        .raw("b")
        .raw("c")
        .integer(1)
        .integer(1)
        .integer(1)
        .integer(1)
        .integer(1)
        .nil();
    for (msg::Packer* p : {&eight, &typeInText, &imeiNil}) {
        const std::string b = p->take();
        auto v = msg::decode(b);
        ASSERT_TRUE(v);
        EXPECT_FALSE(WifiListItemData::WifiListWifhArr(v->root()));
    }
}

TEST(DirInfoData, FromTheSixElementStatisticsRecord) {
    msg::Packer p;
    p.array(6).raw("ignored").nil().raw("D:/Data").integer(12).integer(3).uinteger(1ull << 33);
    const std::string bytes = p.take();
    auto d = msg::decode(bytes);
    ASSERT_TRUE(d);
    auto rsp = RspDirInfo::fromArray(d->root());
    ASSERT_TRUE(rsp);
    const auto info = DirInfoData::DirInfoWifhRsp(*rsp);
    EXPECT_EQ(info.pathName, "D:/Data");
    EXPECT_EQ(info.fileCount, 12);
    EXPECT_EQ(info.dirCount, 3);
    EXPECT_EQ(info.dirSize, 1ull << 33);

    msg::Packer badPath;
    badPath.array(6).integer(0).integer(0).raw(kNotUtf8).integer(1).integer(1).integer(1);
    const std::string bad = badPath.take();
    auto rspBad = RspDirInfo::fromArray(msg::decode(bad)->root());
    ASSERT_TRUE(rspBad);
    EXPECT_EQ(rspBad->pathName, "");

    msg::Packer five;
    five.array(5).integer(0).integer(0).raw("p").integer(1).integer(1);
    msg::Packer countIsText;
    countIsText.array(6).integer(0).integer(0).raw("p").raw("1").integer(1).integer(1);
    for (msg::Packer* q : {&five, &countIsText}) {
        const std::string b = q->take();
        EXPECT_FALSE(RspDirInfo::fromArray(msg::decode(b)->root()));
    }
}

TEST(FileTime, ConvertsWindowsFileTimeToUnixSeconds) {
    EXPECT_EQ(fileTimeToUnixSeconds(116'444'736'000'000'000ull), 0);
    EXPECT_EQ(fileTimeToUnixSeconds(116'444'736'009'999'999ull), 0);  // ticks are dropped
    EXPECT_EQ(fileTimeToUnixSeconds(132'539'328'000'000'000ull), 1'609'459'200);  // 2021-01-01
    EXPECT_EQ(fileTimeToUnixSeconds(0), -11'644'473'600);
    EXPECT_EQ(fileTimeToUnixSeconds(UINT64_MAX), 1'844'674'407'370 - 11'644'473'600);
}

}  // namespace
}  // namespace pd
