// The usage report datagrams byte for byte, the version number and the dispatcher setting.

#include "services/ReportHost.h"
#include "services/ReportMessages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pd::report {
namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
    return std::vector<std::uint8_t>(values.begin(), values.end());
}

std::vector<std::uint8_t> text(std::string_view s) {
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

std::vector<std::uint8_t> cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

template <std::size_t N>
std::vector<std::uint8_t> vec(const std::array<std::uint8_t, N>& a) {
    return {a.begin(), a.end()};
}

const std::vector<std::uint8_t> kZero11(11, 0);

TEST(ReportMessages, BuildLongVersionPacksFourPartsAndWrapsInsteadOfOverflowing) {
    const struct {
        const char* version;
        std::uint64_t expected;
    } cases[] = {
        {"1.0.2.3", 0x0001000000020003ULL},
        {"1.2.3", 0},
        {"1.2.3.4.5", 0},
        {"", 0},
        {"65535.65535.65535.65535", 0xFFFFFFFFFFFFFFFFULL},
        // Parts past 16 bits spill into the next part; the top is cut to 32 bits first.
        {"4294967296.1.0.0", 0x0000000100000000ULL},
        {"0.0.65536.0", 0x0000000100000000ULL},
        // Huge parts wrap modulo 2^64 (signed arithmetic would overflow here).
        {"9223372036854775807.9223372036854775807.9223372036854775807.9223372036854775807",
         0x7FFEFFFEFFFEFFFFULL},
        {"1.x.2.3", 0x0001000000020003ULL},  // a part that is not a number reads as 0
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildLongVersion(c.version), c.expected) << c.version;
    }
}

TEST(ReportMessages, RequestsAndReportsHaveTheirExactLayouts) {
    const ReportIdentity id{"0123456789ABCDEF", "FEDCBA9876543210", 0x0001000000020003ULL};
    EXPECT_EQ(vec(buildServerInfoRequest(ServerKind::Statistics, id.pcid)),
              cat({kZero11, bytes({2, 0, 5, 2}), text("0123456789ABCDEF")}));
    EXPECT_EQ(vec(buildServerInfoRequest(ServerKind::KeepAlive, id.pcid)),
              cat({kZero11, bytes({2, 0, 5, 1}), text("0123456789ABCDEF")}));

    EXPECT_EQ(vec(buildKeepAliveReport(id)),
              cat({kZero11, bytes({4, 0, 5, 88, 0}), text("0123456789ABCDEF"),
                   bytes({3, 0, 2, 0, 0, 0, 1, 0}), bytes({0}), text("FEDCBA9876543210"),
                   std::vector<std::uint8_t>(16, 0)}));

    EXPECT_EQ(vec(buildStatisticsReport(id, 0x0102030405060708LL, 0xA1B2C3D4u)),
              cat({kZero11, bytes({6, 1, 5}), text("0123456789ABCDEF"), bytes({88, 0}),
                   bytes({3, 0, 2, 0, 0, 0, 1, 0}), bytes({8, 7, 6, 5, 4, 3, 2, 1}),
                   bytes({0xD4, 0xC3, 0xB2, 0xA1})}));
}

TEST(ReportMessages, IdentifierFieldsAreAlwaysSixteenBytes) {
    // An identifier that could not be read must not shift the fields after it.
    const ReportIdentity shortId{"ABC", "", 7};
    const auto keep = vec(buildKeepAliveReport(shortId));
    ASSERT_EQ(keep.size(), kKeepAliveReportSize);
    EXPECT_EQ(std::vector<std::uint8_t>(keep.begin() + 16, keep.begin() + 32),
              cat({text("ABC"), std::vector<std::uint8_t>(13, 0)}));
    EXPECT_EQ(keep[32], 7);
    const auto longRequest =
        vec(buildServerInfoRequest(ServerKind::KeepAlive, "0123456789ABCDEF-TOO-LONG"));
    EXPECT_EQ(longRequest, cat({kZero11, bytes({2, 0, 5, 1}), text("0123456789ABCDEF")}));
}

TEST(ReportMessages, RepliesAreReadOnlyWhenUsable) {
    const auto reply = [](int code, int kind, int port, int alt, std::string_view address,
                          int length) {
        return cat({std::vector<std::uint8_t>(13, 0xEE),
                    bytes({code, kind, port & 0xFF, port >> 8, alt & 0xFF, alt >> 8, length & 0xFF,
                           length >> 8}),
                    text(address)});
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> datagram;
        std::optional<ServerInfo> expected;
    };
    const Case cases[] = {
        {"keep-alive", reply(1, 1, 7000, 0, "127.0.0.1", 9),
         ServerInfo{ServerKind::KeepAlive, 7000, "127.0.0.1"}},
        {"alternative port", reply(1, 1, 0, 9000, "host", 4),
         ServerInfo{ServerKind::KeepAlive, 9000, "host"}},
        {"statistics, no port", reply(1, 2, 0, 0, "h", 1),
         ServerInfo{ServerKind::Statistics, 0, "h"}},
        {"code 2", reply(2, 1, 7000, 0, "h", 1), std::nullopt},
        {"unknown kind", reply(1, 3, 7000, 0, "h", 1), std::nullopt},
        {"empty address", reply(1, 1, 7000, 0, "", 0), std::nullopt},
        {"address cut short", reply(1, 1, 7000, 0, "127.0", 9), std::nullopt},
        {"header cut short", bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1}), std::nullopt},
        {"length past the first 1024 bytes", reply(1, 1, 7000, 0, std::string(1100, 'a'), 1100),
         std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = parseServerInfoReply(c.datagram);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.name;
        if (got) {
            EXPECT_EQ(got->kind, c.expected->kind) << c.name;
            EXPECT_EQ(got->port, c.expected->port) << c.name;
            EXPECT_EQ(got->address, c.expected->address) << c.name;
        }
    }
}

TEST(ReportMessages, DispatcherSettingIsHostWithOptionalPort) {
    const struct {
        const char* text;
        std::optional<ReportEndpoint> expected;
    } cases[] = {
        {"127.0.0.1", ReportEndpoint{"127.0.0.1", 8200}},
        {"127.0.0.1:9", ReportEndpoint{"127.0.0.1", 9}},
        {"reports.example-lan", ReportEndpoint{"reports.example-lan", 8200}},
        {"", std::nullopt},
        {":8200", std::nullopt},
        {"127.0.0.1:", std::nullopt},
        {"127.0.0.1:0", std::nullopt},
        {"127.0.0.1:65536", std::nullopt},
        {"127.0.0.1:80x", std::nullopt},
        {"bad host", std::nullopt},
        {"-x", std::nullopt},
        {"http://127.0.0.1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseReportHost(c.text), c.expected) << c.text;
    }
}

}  // namespace
}  // namespace pd::report
