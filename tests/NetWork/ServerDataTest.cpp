// A computer's record as the phone builds it from the header lines of a discovery reply.

#include "NetWork/ServerData.h"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>
#include <vector>

using namespace pd;

namespace {

ServerData fromLines(const std::vector<std::string_view>& lines) {
    ServerData server;
    for (std::string_view line : lines) {
        server.HandData(line);
    }
    return server;
}

}  // namespace

TEST(ServerData, TypicalReplyFillsEveryField) {
    const ServerData server = fromLines({
        "IP: 192.168.1.5 ",
        "Display-IP: 192.168.1.5",
        "Device-Type:PC ",
        "Device-Name:OFFICE-PC-7F3A",
        "User-Agent:agent/2.0",
        "Broadcast-Version:1.0",
        "QVRWSAP-Support:TRUE",
        "QVRWSAP-Port:8866",
        "QVRWSAP-Version:2.0",
        "QVRWSAP-Need-Authorization:TRUE",
        "Http-Port:8080",
        "Date: Wed, 12 Mar 2010 12:55:57 GMT ",
    });
    EXPECT_EQ(server.IP, "192.168.1.5");
    // Every other text keeps its spaces.
    EXPECT_EQ(server.DisplayIP, " 192.168.1.5");
    EXPECT_EQ(server.DeviceType, "PC ");
    EXPECT_EQ(server.DeviceName, "OFFICE-PC");
    EXPECT_EQ(server.DeviceNameTag, "7F3A");
    EXPECT_EQ(server.UserAgent, "agent/2.0");
    EXPECT_EQ(server.BroadcastVersion, "1.0");
    EXPECT_EQ(server.WSAPSupport, "TRUE");
    EXPECT_EQ(server.WSAPPort, 8866);
    EXPECT_EQ(server.WSAPVersion, "2.0");
    EXPECT_EQ(server.WSAPNeedAuthorization, "TRUE");
    EXPECT_EQ(server.HttpPort, 8080);

    // No colon, unknown or differently cased names, and the date change nothing.
    EXPECT_EQ(fromLines({"IP 10.0.0.1", "", "ip:10.0.0.1", "X-Other:1", "Date:Today"}),
              ServerData{});
    // A present but empty support value is not the same as none.
    EXPECT_FALSE(ServerData{}.WSAPSupport.has_value());
    EXPECT_EQ(fromLines({"QVRWSAP-Support:"}).WSAPSupport, "");
}

// In order: the lines, then the name and tag they leave, or the text field they set.
TEST(ServerData, TextValuesEndAtTheSecondColonAndNamesSplitAtTheLastDash) {
    const std::tuple<std::vector<std::string_view>, std::string, std::string> names[] = {
        {{"Device-Name:OFFICEPC"}, "", ""},
        {{"Device-Name:-TAG"}, "", "TAG"},
        {{"Device-Name: my-home-pc - 01AB "}, " my-home-pc ", " 01AB "},
        // A later name without a dash leaves the earlier split alone.
        {{"Device-Name:PC-1", "Device-Name:NODASH"}, "PC", "1"},
    };
    for (const auto& [lines, name, tag] : names) {
        const ServerData server = fromLines(lines);
        EXPECT_EQ(server.DeviceName + "|" + server.DeviceNameTag, name + "|" + tag) << lines[0];
    }
    const ServerData cut = fromLines({"Display-IP:10.0.0.1:8080", "User-Agent:a:b:c"});
    EXPECT_EQ(cut.DisplayIP, "10.0.0.1");
    EXPECT_EQ(cut.UserAgent, "a");
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
