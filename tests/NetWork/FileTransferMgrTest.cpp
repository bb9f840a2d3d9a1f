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

namespace {

class SendData : public ::testing::Test {
  protected:
    // Connects a channel for `source` to the listener; the listener accepts.
    std::unique_ptr<FileTransferMgr> connected(std::shared_ptr<UploadSource> source) {
        auto channel = std::make_unique<FileTransferMgr>(99999, std::move(source));
        EXPECT_TRUE(channel->ConnectLanServer("127.0.0.1", listener.port()));
        EXPECT_TRUE(listener.accept());
        return channel;
    }
    DataListener listener{4096};  // small buffers: the sender meets partial sends
};

}  // namespace

TEST_F(SendData, EveryByteArrivesInOrderReadInBoundedPieces) {
    struct Case {
        std::uint64_t size;
    };
    for (const Case c : {Case{0}, Case{1}, Case{FileTransferMgr::kSendPiece},
                         Case{3 * FileTransferMgr::kSendPiece + 17}}) {
        DataListener fresh{4096};
        auto source = std::make_shared<PatternSource>("a b.jpg", c.size);
        FileTransferMgr channel(99999, source);
        ASSERT_TRUE(channel.ConnectLanServer("127.0.0.1", fresh.port()));
        ASSERT_TRUE(fresh.accept());
        auto sent = std::async(std::launch::async, [&] {
            int calls = 0;
            bool reported = false;
            const bool ok = channel.SendData([&](bool all) {
                ++calls;
                reported = all;
            });
            return ok && reported && calls == 1;
        });
        const auto received = fresh.readAll();
        EXPECT_TRUE(sent.get()) << c.size;
        ASSERT_TRUE(received) << c.size;
        EXPECT_TRUE(*received == source->content()) << c.size;
        EXPECT_LE(source->largestRead.load(), FileTransferMgr::kSendPiece);
        EXPECT_EQ(channel.socketDescriptor(), -1);
    }
}

TEST_F(SendData, ASourceThatEndsEarlyOrACancelIsAFailedTransfer) {
    auto shrunk = std::make_shared<PatternSource>("short", 200'000, 70'000);
    auto channel = connected(shrunk);
    auto sent = std::async(std::launch::async, [&] { return channel->SendData(); });
    listener.readAll();
    EXPECT_FALSE(sent.get());
    EXPECT_EQ(channel->socketDescriptor(), -1);

    // A computer that stops reading: the send blocks until the transfer is cancelled.
    DataListener stalled{4096};
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
