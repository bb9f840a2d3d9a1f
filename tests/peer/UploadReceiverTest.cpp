// The peer's upload receiver: which names it takes, what lands in the backup folder, and what
// the phone is told.

#include "UploadReceiver.h"

#include "PeerTestSupport.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <sstream>

using namespace pd;
using namespace pd::peer;
using namespace pd::peer::test;

TEST(UploadReceiverNames, NothingIsWrittenOutsideTheBackupFolder) {
    struct Case {
        std::string name;
        bool taken;
    };
    const Case cases[] = {
        {"IMG_0001.JPG", true},
        {"IMG 0001 (copy).JPG", true},
        {"été.mov", true},
        {".hidden", true},
        {"", false},
        {".", false},
        {"..", false},
        {"../evil.jpg", false},
        {"a/b.jpg", false},
        {"a\\b.jpg", false},
        {"/etc/passwd", false},
        {"x..y", false},
        {"tab\tname", false},
        {std::string("nul\0x", 5), false},
        {std::string(255, 'a'), true},
        {std::string(256, 'a'), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UploadReceiver::isAcceptableName(c.name), c.taken) << c.name;
    }
}

namespace {

class UploadReceiverTest : public ::testing::Test {
  protected:
    std::unique_ptr<UploadReceiver> receiver(std::uint64_t maxBytes = 1 << 20) {
        UploadReceiverConfig config;
        config.backupDir = folder.path() / "Backup";
        config.maxBytes = maxBytes;
        return std::make_unique<UploadReceiver>(config, [this](std::string line) {
            std::lock_guard lock(mutex);
            replies.push_back(std::move(line));
        });
    }
    // Connects to the announced port and sends `bytes`, then closes.
    static void sendItem(std::uint16_t port, const std::string& bytes) {
        const int fd = connectLoopback(port);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }
    std::vector<std::string> repliesNow() {
        std::lock_guard lock(mutex);
        return replies;
    }
    std::vector<std::string> backupFiles() {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(folder.path() / "Backup", ec)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string contentOf(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    TempFolder folder;
    std::mutex mutex;
    std::vector<std::string> replies;
};

}  // namespace

TEST_F(UploadReceiverTest, ACompleteItemLandsWholeAndIsReportedWith226) {
    auto uploads = receiver();
    EXPECT_EQ(uploads->store("early.jpg"), "425 Use PASV first");
    const auto port = uploads->openPassive();
    ASSERT_TRUE(port);
    EXPECT_EQ(uploads->store("../early.jpg"), "553 File name not allowed");
    // The refusal leaves the listener for a good name.
    ASSERT_EQ(uploads->store("IMG 0001.JPG"), "150 Opening data connection");
    const std::string bytes(300'000, 'x');
    sendItem(*port, bytes);
    ASSERT_TRUE(waitFor([&] { return repliesNow().size() == 1; }));
    EXPECT_EQ(repliesNow()[0], "226 Transfer complete, 300000 bytes");
    EXPECT_EQ(backupFiles(), std::vector<std::string>{"IMG 0001.JPG"});
    EXPECT_TRUE(contentOf(folder.path() / "Backup" / "IMG 0001.JPG") == bytes);
}

TEST_F(UploadReceiverTest, AnItemOverTheLimitLeavesNothingAndIsNotReportedDone) {
    auto uploads = receiver(1000);
    const auto port = uploads->openPassive();
    ASSERT_TRUE(port);
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
    EXPECT_EQ(repliesNow(), std::vector<std::string>{"226 Transfer complete, 3 bytes"});
}
