#include "platform/NetworkInterfaces.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

namespace pd {
namespace {

bool isDottedQuad(const std::string& text) {
    in_addr parsed{};
    return ::inet_pton(AF_INET, text.c_str(), &parsed) == 1;
}

TEST(NetworkInterfaces, SystemListHasWellFormedIpv4EntriesIncludingLoopback) {
    SystemNetworkInterfaces system;
    const auto list = system.interfaces();
    bool sawLoopback = false;
    for (const NetInterface& i : list) {
        EXPECT_FALSE(i.name.empty());
        EXPECT_TRUE(isDottedQuad(i.address)) << i.name << " " << i.address;
        EXPECT_TRUE(isDottedQuad(i.netmask)) << i.name << " " << i.netmask;
        EXPECT_TRUE(i.broadcast.empty() || isDottedQuad(i.broadcast)) << i.name;
        if (i.loopback && i.address == "127.0.0.1") {
            sawLoopback = true;
            EXPECT_TRUE(i.up);
            EXPECT_TRUE(i.broadcast.empty()) << "loopback has no broadcast address of its own";
        }
    }
    EXPECT_TRUE(sawLoopback);
}

}  // namespace
}  // namespace pd
