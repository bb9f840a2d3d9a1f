// The data channel's socket.

#include "NetWork/FileTransferMgr.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace pd;

TEST(FileTransferMgr, CloseSocketCountsTheDescriptorClosedEvenWhenCloseFails) {
    FileTransferMgr channel(99999, nullptr);
    ASSERT_TRUE(channel.InitSocket());
    // Someone else closed it: close() fails, and the descriptor must not be closed again later
    // (by then its number may belong to another file).
    ::close(channel.socketDescriptor());
    EXPECT_FALSE(channel.CloseSocket());
    EXPECT_EQ(channel.socketDescriptor(), -1);
}
