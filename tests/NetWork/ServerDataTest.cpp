// A computer's record as the phone builds it from the header lines of a discovery reply. Of the
// other header fields it stores, nothing reads any.

#include "NetWork/ServerData.h"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>
#include <vector>

using namespace pd;
using namespace std::string_literals;

namespace {

ServerData fromLines(const std::vector<std::string_view>& lines) {
    ServerData server;
    for (std::string_view line : lines) {
        server.HandData(line);
    }
    return server;
}

}  // namespace

TEST(ServerData, TypicalReplyFillsWhatThePhoneReads) {
    const ServerData server = fromLines({
        "IP: 192.168.1.5 ",
        "Device-Name:OFFICE-PC-7F3A",
        "QVRWSAP-Support:TRUE",
        "QVRWSAP-Port:8866",
        "Http-Port:8080",
        "Date: Wed, 12 Mar 2010 12:55:57 GMT ",
    });
    EXPECT_EQ(
        std::tie(server.IP, server.DeviceName, server.DeviceNameTag, server.WSAPSupport,
                 server.WSAPPort, server.HttpPort),
        std::make_tuple("192.168.1.5"s, "OFFICE-PC"s, "7F3A"s, std::optional("TRUE"s), 8866, 8080));

    // No colon, unknown or differently cased names, and the date change nothing; a present but
    // empty support value is not the same as none.
    EXPECT_EQ(fromLines({"IP 10.0.0.1", "", "ip:10.0.0.1", "X-Other:1", "Date:Today"}),
              ServerData{});
    EXPECT_EQ(fromLines({"QVRWSAP-Support:"}).WSAPSupport, "");
}

// In order: the lines, then the name and tag they leave (spaces kept).
TEST(ServerData, NamesSplitAtTheLastDashAndEndAtTheSecondColon) {
    const std::tuple<std::vector<std::string_view>, std::string, std::string> names[] = {
        {{"Device-Name:OFFICEPC"}, "", ""},
        {{"Device-Name:-TAG"}, "", "TAG"},
        {{"Device-Name: my-home-pc - 01AB "}, " my-home-pc ", " 01AB "},
        {{"Device-Name:PC-1:8080-2"}, "PC", "1"},
        // A later name without a dash leaves the earlier split alone.
        {{"Device-Name:PC-1", "Device-Name:NODASH"}, "PC", "1"},
    };
    for (const auto& [lines, name, tag] : names) {
        const ServerData server = fromLines(lines);
        EXPECT_EQ(server.DeviceName + "|" + server.DeviceNameTag, name + "|" + tag) << lines[0];
    }
}

TEST(ServerData, PortsReadLeadingDigitsAndRejectWhatIsNoPort) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"8866", 8866},   {" \t8866", 8866}, {"8866abc", 8866}, {"0008866", 8866},
        {"65535", 65535}, {"abc", 0},        {"-1", 0},         {"+80", 0},
        {"65536", 0},     {"4294975162", 0},  // 8866 beyond 2^32: must not wrap around
    };
    for (const auto& [value, port] : cases) {
        EXPECT_EQ(fromLines({"QVRWSAP-Port:" + std::string(value)}).WSAPPort, port) << value;
        EXPECT_EQ(fromLines({"Http-Port:" + std::string(value)}).HttpPort, port) << value;
    }
}
