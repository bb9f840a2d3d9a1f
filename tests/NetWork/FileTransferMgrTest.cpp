// The data channel: which 227 addresses are used, how an item is sent, how the socket closes.

#include "NetWork/FileTransferMgr.h"
#include "NetWork/PassiveAddress.h"

#include "support/DataListener.h"
#include "support/PatternSource.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <future>

using namespace pd;
using namespace pd::test;

TEST(PassiveAddress, OnlyAWellFormedAddressOfTheLinksOwnComputerIsUsed) {
    struct Case {
        const char* text;
        bool used;
    };
    const Case cases[] = {
        {"127.0.0.1:2121", true},
        {"127.0.0.1:65535", true},
        {"127.0.0.1", false},
        {"127.0.0.1:21:21", false},
        {"127.0.0.1:0", false},
        {"127.0.0.1:65536", false},
        {"127.0.0.1:99999999999", false},
        {"127.0.0.1:+21", false},
        {"127.0.0.1: 21", false},
        {"127.0.0.1:21x", false},
        {"127.0.0.1:", false},
        {":2121", false},
        {"127.0.0.2:2121", false},
        {"192.168.1.5:2121", false},
        {"localhost:2121", false},
        {"127.1:2121", false},
        {"", false},
    };
    for (const Case& c : cases) {
        const auto address = parsePassiveAddress(c.text, "127.0.0.1");
        EXPECT_EQ(address.has_value(), c.used) << c.text;
        if (address) {
            EXPECT_EQ(address->host, "127.0.0.1");
        }
    }
    EXPECT_EQ(parsePassiveAddress("127.0.0.1:2121", "127.0.0.1")->port, 2121);
}

TEST(FileTransferMgr, CloseSocketCountsTheDescriptorClosedEvenWhenCloseFails) {
    FileTransferMgr channel(99999, nullptr);
    EXPECT_TRUE(channel.CloseSocket());  // nothing open: nothing to do
    ASSERT_TRUE(channel.InitSocket());
    // Someone else closed it: close() fails, and the descriptor must not be closed again later
    // (by then its number may belong to another file).
    ::close(channel.socketDescriptor());
    EXPECT_FALSE(channel.CloseSocket());
    EXPECT_EQ(channel.socketDescriptor(), -1);
    EXPECT_TRUE(channel.CloseSocket());
}

// Every byte arrives in order, read in bounded pieces, through a receiver whose small buffers
// make the sender meet partial sends; a source that ends before its size is a failed transfer.
TEST(SendData, TheWholeItemOrAFailure) {
    struct Case {
        std::uint64_t size;
        std::uint64_t endsAt;
        bool sent;
    };
    const std::uint64_t piece = FileTransferMgr::kSendPiece;
    const Case cases[] = {{0, UINT64_MAX, true},
                          {1, UINT64_MAX, true},
                          {piece, UINT64_MAX, true},
                          {3 * piece + 17, UINT64_MAX, true},
                          {3 * piece, piece + 5, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        DataListener listener(4096);
        auto source = std::make_shared<PatternSource>("a b.jpg", c.size, c.endsAt);
        FileTransferMgr channel(99999, source);
        ASSERT_TRUE(channel.ConnectLanServer("127.0.0.1", listener.port()));
        ASSERT_TRUE(listener.accept());
        int calls = 0;
        bool reported = !c.sent;
        auto sent = std::async(std::launch::async, [&] {
            return channel.SendData([&](bool all) {
                ++calls;
                reported = all;
            });
        });
        const auto received = listener.readAll();
        EXPECT_EQ(sent.get(), c.sent);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(reported, c.sent);
        ASSERT_TRUE(received);
        if (c.sent) {
            EXPECT_TRUE(*received == source->content());
        }
        EXPECT_LE(source->largestRead.load(), piece);
        EXPECT_EQ(channel.socketDescriptor(), -1);
    }
}

TEST(SendData, ACancelEndsASendTheComputerNoLongerReads) {
    DataListener stalled(4096);
    auto big = std::make_shared<PatternSource>("big", 64ull * 1024 * 1024);
    FileTransferMgr blocked(99999, big);
    ASSERT_TRUE(blocked.ConnectLanServer("127.0.0.1", stalled.port()));
    ASSERT_TRUE(stalled.accept());
    auto stuck = std::async(std::launch::async, [&] { return blocked.SendData(); });
    ASSERT_TRUE(waitFor([&] { return big->readUpTo.load() > 0; }));
    blocked.Cancel();
    EXPECT_FALSE(stuck.get());
    EXPECT_LT(big->readUpTo.load(), big->size());
}
