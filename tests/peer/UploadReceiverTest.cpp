// The peer's upload receiver: which names it takes, and that nothing of a refused or failed
// item is left in the backup folder.

#include "UploadReceiver.h"

#include "PeerTestSupport.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

using namespace pd;
using namespace pd::peer;
using namespace pd::peer::test;

TEST(UploadReceiverNames, NothingIsWrittenOutsideTheBackupFolder) {
    struct Case {
        std::string name;
        bool taken;
    };
    const Case cases[] = {
        {"IMG 0001 (copy).JPG", true},
        {".hidden", true},
        {"..", false},
        {"../evil.jpg", false},
        {"a/b.jpg", false},
        {"a\\b.jpg", false},
        {"tab\tname", false},
        {std::string("nul\0x", 5), false},
        {std::string(255, 'a'), true},
        {std::string(256, 'a'), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UploadReceiver::isAcceptableName(c.name), c.taken) << c.name;
    }
}

// Connects to the announced port and sends `bytes`, then closes.
static void sendItem(std::uint16_t port, const std::string& bytes) {
    const int fd = connectLoopback(port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

TEST(UploadReceiver, RefusedAndOversizeItemsLeaveNothingAndAreNotReportedDone) {
    TempFolder folder;
    std::mutex mutex;
    std::vector<std::string> replies;
    UploadReceiverConfig config;
    config.backupDir = folder.path() / "Backup";
    config.maxBytes = 1000;
    auto uploads = std::make_unique<UploadReceiver>(config, [&](std::string line) {
        std::lock_guard lock(mutex);
        replies.push_back(std::move(line));
    });
    auto backupFiles = [&] {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(config.backupDir, ec)) {
            names.push_back(e.path().filename().string());
        }
        return names;
    };
    EXPECT_EQ(uploads->store("early.jpg"), "425 Use PASV first");
    const auto port = uploads->openPassive();
    ASSERT_TRUE(port);
    EXPECT_EQ(uploads->store("../early.jpg"), "553 File name not allowed");
    // The refusal leaves the listener for a good name.
    ASSERT_EQ(uploads->store("big.mov"), "150 Opening data connection");
    sendItem(*port, std::string(5000, 'y'));
    // A later item on the same receiver still arrives; by then the failed one was handled.
    const auto second = uploads->openPassive();
    ASSERT_TRUE(second);
    ASSERT_EQ(uploads->store("small.jpg"), "150 Opening data connection");
    sendItem(*second, "abc");
    ASSERT_TRUE(waitFor([&] { return backupFiles() == std::vector<std::string>{"small.jpg"}; }));
    uploads.reset();  // waits for every receiving thread
    EXPECT_EQ(backupFiles(), std::vector<std::string>{"small.jpg"});
    EXPECT_EQ(replies, std::vector<std::string>{"226 Transfer complete, 3 bytes"});
}
