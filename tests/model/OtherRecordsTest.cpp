#include "model/DirInfoData.h"
#include "model/FileTime.h"
#include "model/RspDirInfo.h"
#include "model/WifiListItemData.h"
#include "support/ScriptedComputer.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace pd {
namespace {

using test::I;
using test::pack;
using test::R;

const std::string kNotUtf8 = "\xFF\xFE";

std::string wifiItem(std::string model, std::int64_t connType) {
    return pack({R(model), R("AA:BB:CC:DD:EE:FF"), R("12.5"), I(3600), I(1), I(connType), I(100),
                 I(200), R("860000000000000")});
}

TEST(WifiListItemData, DecodesNineElements) {
    const std::string bytes = wifiItem("Phone X", 2);
    auto d = msg::decode(bytes);
    ASSERT_TRUE(d);
    auto item = WifiListItemData::WifiListWifhArr(d->root());
    ASSERT_TRUE(item);
    EXPECT_EQ(std::tie(item->phoneModel, item->macAddress, item->tranSpeed, item->deviceIMEI),
              std::make_tuple("Phone X", "AA:BB:CC:DD:EE:FF", "12.5", "860000000000000"));
    EXPECT_EQ(
        std::tie(item->connTime, item->connState, item->connType, item->upValue, item->downValue),
        std::make_tuple(3600, 1, 2, 100, 200));  // type 2: the phone's own entry
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

    for (const std::string& b : {
             pack({R("a"), R("b"), R("c"), I(1), I(1), I(1), I(1), I(1)}),            // eight
             pack({R("a"), R("b"), R("c"), R("1"), I(1), I(1), I(1), I(1), R("d")}),  // text time
             pack({R("a"), R("b"), R("c"), I(1), I(1), I(1), I(1), I(1), I(1)}),      // number IMEI
         }) {
        EXPECT_FALSE(WifiListItemData::WifiListWifhArr(msg::decode(b)->root()));
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

    const std::string bad = pack({I(0), I(0), R(kNotUtf8), I(1), I(1), I(1)});
    auto rspBad = RspDirInfo::fromArray(msg::decode(bad)->root());
    ASSERT_TRUE(rspBad);
    EXPECT_EQ(rspBad->pathName, "");

    for (const std::string& b :
         {pack({I(0), I(0), R("p"), I(1), I(1)}), pack({I(0), I(0), R("p"), R("1"), I(1), I(1)})}) {
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
