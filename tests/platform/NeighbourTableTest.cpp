// Learning a computer's hardware address from the kernel's neighbour table.

#include "platform/NeighbourTable.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

namespace pd {
namespace {

constexpr const char* kHeader =
    "IP address       HW type     Flags       HW address            Mask     Device\n";

TEST(HardwareAddressTest, TextFormsAreReadAndWrittenTheKernelsWay) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"00:1a:2b:3c:4d:5e", "00:1a:2b:3c:4d:5e"},
        {"00:1A:2B:3C:4D:5E", "00:1a:2b:3c:4d:5e"},
        {"00-1a-2b-3c-4d-5e", "00:1a:2b:3c:4d:5e"},
        {"00:1a:2b:3c:4d", std::nullopt},
        {"00:1a:2b:3c:4d:5e:6f", std::nullopt},
        {"00:1a-2b:3c:4d:5e", std::nullopt},
        {"00:1a:2b:3c:4d:5g", std::nullopt},
        {"001a2b3c4d5e00000", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const auto parsed = parseHardwareAddress(text);
        EXPECT_EQ(parsed ? std::optional(formatHardwareAddress(*parsed)) : std::nullopt, expected)
            << text;
    }
}

TEST(NeighbourTableTest, OnlyACompleteEntryForTheAddressCounts) {
    const std::string good =
        "192.168.1.10     0x1         0x2         00:1a:2b:3c:4d:5e     *        wlan0\n";
    const std::string other =
        "192.168.1.11     0x1         0x2         aa:bb:cc:dd:ee:ff     *        wlan0\n";
    const std::string incomplete =
        "192.168.1.10     0x1         0x0         00:00:00:00:00:00     *        wlan0\n";
    const std::string zeroAddress =
        "192.168.1.10     0x1         0x2         00:00:00:00:00:00     *        wlan0\n";
    const std::string permanent =
        "192.168.1.10     0x1         0x6         02:00:00:00:00:01     *        eth0\n";
    const std::string shortLine = "192.168.1.10     0x1         0x2\n";
    const std::string badFlags =
        "192.168.1.10     0x1         two         00:1a:2b:3c:4d:5e     *        wlan0\n";
    const std::string badAddress =
        "192.168.1.10     0x1         0x2         00:1a:2b:3c:4d        *        wlan0\n";
    const std::string prefix =
        "192.168.1.100    0x1         0x2         00:1a:2b:3c:4d:5e     *        wlan0\n";

    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {good, "00:1a:2b:3c:4d:5e"},
        {other, std::nullopt},
        {incomplete, std::nullopt},
        {zeroAddress, std::nullopt},
        {permanent, "02:00:00:00:00:01"},
        {shortLine, std::nullopt},
        {badFlags, std::nullopt},
        {badAddress, std::nullopt},
        {prefix, std::nullopt},
        {incomplete + other + good, "00:1a:2b:3c:4d:5e"},
        {badAddress + good, "00:1a:2b:3c:4d:5e"},
    };
    for (const auto& [lines, expected] : cases) {
        const auto found = hardwareAddressIn(kHeader + lines, "192.168.1.10");
        EXPECT_EQ(found ? std::optional(formatHardwareAddress(*found)) : std::nullopt, expected)
            << lines;
    }
    // The first line is the header, whatever it holds.
    EXPECT_FALSE(hardwareAddressIn(good, "192.168.1.10"));
}

TEST(NeighbourTableTest, TableIsReadFromItsFileEachTime) {
    test::ScopedTempHome dir;
    const auto file = dir.home() / "arp";
    const NeighbourTable table(file);
    EXPECT_FALSE(table.hardwareAddressOf("10.0.0.7"));  // no file yet
    std::ofstream(file)
        << kHeader
        << "10.0.0.7         0x1         0x2         0a:0b:0c:0d:0e:0f     *        eth0\n";
    const auto found = table.hardwareAddressOf("10.0.0.7");
    ASSERT_TRUE(found);
    EXPECT_EQ(formatHardwareAddress(*found), "0a:0b:0c:0d:0e:0f");
}

}  // namespace
}  // namespace pd
