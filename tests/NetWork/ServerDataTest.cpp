// A computer's record as the phone builds it from the header lines of a discovery reply.

#include "NetWork/ServerData.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>

using namespace pd;

namespace {

ServerData fromLines(std::initializer_list<std::string_view> lines) {
    ServerData server;
    for (std::string_view line : lines) {
        server.HandData(line);
    }
    return server;
}

std::int32_t port(std::string_view value) {
    return fromLines({"QVRWSAP-Port:" + std::string(value)}).WSAPPort;
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
}

TEST(ServerData, LinesThatAreNotKnownHeadersChangeNothing) {
    const ServerData untouched;
    // No colon, unknown or differently cased names, and the date.
    EXPECT_EQ(fromLines({"IP 10.0.0.1", "", "ip:10.0.0.1", "X-Other:1", "Date:Today"}), untouched);

    // The value ends at the second colon.
    const ServerData cut = fromLines({"Display-IP:10.0.0.1:8080", "User-Agent:a:b:c"});
    EXPECT_EQ(cut.DisplayIP, "10.0.0.1");
    EXPECT_EQ(cut.UserAgent, "a");

    // A present but empty support value is not the same as none.
    EXPECT_FALSE(untouched.WSAPSupport.has_value());
    EXPECT_EQ(fromLines({"QVRWSAP-Support:"}).WSAPSupport, "");
    EXPECT_EQ(fromLines({"QVRWSAP-Support:FALSE "}).WSAPSupport, "FALSE ");
}

TEST(ServerData, DeviceNameSplitsAtItsLastDash) {
    const ServerData noDash = fromLines({"Device-Name:OFFICEPC"});
    EXPECT_EQ(noDash.DeviceName, "");
    EXPECT_EQ(noDash.DeviceNameTag, "");

    const ServerData edges = fromLines({"Device-Name:-TAG"});
    EXPECT_EQ(edges.DeviceName, "");
    EXPECT_EQ(edges.DeviceNameTag, "TAG");

    const ServerData spaced = fromLines({"Device-Name: my-home-pc - 01AB "});
    EXPECT_EQ(spaced.DeviceName, " my-home-pc ");
    EXPECT_EQ(spaced.DeviceNameTag, " 01AB ");

    // A later name without a dash leaves the earlier split alone.
    const ServerData twice = fromLines({"Device-Name:PC-1", "Device-Name:NODASH"});
    EXPECT_EQ(twice.DeviceName, "PC");
    EXPECT_EQ(twice.DeviceNameTag, "1");
}

TEST(ServerData, PortsReadLeadingDigitsAndRejectWhatIsNoPort) {
    EXPECT_EQ(port("8866"), 8866);
    EXPECT_EQ(port(" \t8866"), 8866);
    EXPECT_EQ(port("8866 "), 8866);
    EXPECT_EQ(port("8866abc"), 8866);
    EXPECT_EQ(port("0008866"), 8866);
    EXPECT_EQ(port("65535"), 65535);
    EXPECT_EQ(port("0"), 0);

    EXPECT_EQ(port(""), 0);
    EXPECT_EQ(port("abc"), 0);
    EXPECT_EQ(port("-1"), 0);
    EXPECT_EQ(port("+80"), 0);
    EXPECT_EQ(port("65536"), 0);
    EXPECT_EQ(port("4294975162"), 0);  // 8866 beyond 2^32: must not wrap around
    EXPECT_EQ(port("99999999999999999999999"), 0);

    EXPECT_EQ(fromLines({"Http-Port: 8080x"}).HttpPort, 8080);
    EXPECT_EQ(fromLines({"Http-Port:70000"}).HttpPort, 0);
}
