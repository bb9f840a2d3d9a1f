// A fetch of a file far larger than memory should allow: it arrives whole and in order through
// the real data channel while the phone's resident memory stays flat.

#include "core/PhoneFileChannel.h"
#include "core/PhoneFileService.h"

#include "support/StreamSink.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <string>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

class ChannelTransport : public PhoneFileTransport {
  public:
    ChannelTransport() { channel.setComputer("127.0.0.1"); }
    bool connect(int port) override { return channel.connect("127.0.0.1", port); }
    bool send(std::shared_ptr<UploadSource> source, std::function<void(bool)> done) override {
        return channel.send(std::move(source), std::move(done));
    }
    PhoneFileChannel channel;
};

long statusKiB(const std::string& field) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

class PhoneFileStreamingTest : public TempHome {};

TEST_F(PhoneFileStreamingTest, AThreeGibibyteFileArrivesWholeWithFlatMemory) {
    constexpr std::uint64_t kSize = 3ull << 30;
    const fs::path file = home() / "UserData" / "big" / "disk.img";
    fs::create_directories(file.parent_path());
    {
        // Sparse, with marks at both ends and across the 2 GiB boundary so that a piece sent
        // twice, dropped or out of order changes the digest.
        const int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kSize)), 0);
        for (const std::uint64_t at :
             std::initializer_list<std::uint64_t>{0, (1ull << 31) - 3, 1ull << 31, kSize - 5}) {
            const std::string mark = "mark@" + std::to_string(at);
            const auto n = std::min<std::uint64_t>(mark.size(), kSize - at);
            ASSERT_EQ(::pwrite(fd, mark.data(), n, static_cast<off_t>(at)),
                      static_cast<ssize_t>(n));
        }
        ::close(fd);
    }
    const std::uint32_t expected = fileCrc(file.string());

    auto transport = std::make_shared<ChannelTransport>();
    PhoneFileService::Services s;
    s.userDataFolder = [this] { return home() / "UserData"; };
    s.enabled = [] { return true; };
    s.transport = transport;
    s.loadAssets = [](std::function<void()> done) { done(); };
    s.assets = [] { return AlbumIndex{}; };
    auto service = PhoneFileService::create(s);

    std::mutex mutex;
    std::vector<std::string> replies;
    auto ask = [&](const std::string& line) {
        service->makeCommand()->CommandParse(line, [&](const std::string& reply) {
            std::lock_guard lock(mutex);
            replies.push_back(reply);
        });
    };
    StreamSink sink;
    ASSERT_GT(sink.port(), 0);
    // Peak resident memory counts from here (writing 5 resets the high-water mark).
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusKiB("VmHWM");

    ask("PORT 127.0.0.1:" + std::to_string(sink.port()));
    ask("RETR /我的文档/big/disk.img");
    ASSERT_TRUE(waitFor(
        [&] {
            std::lock_guard lock(mutex);
            return replies.size() == 2;
        },
        std::chrono::minutes(5)));
    EXPECT_EQ(replies, (std::vector<std::string>{"200 ", "200 "}));
    ASSERT_TRUE(sink.waitClosed());
    EXPECT_EQ(sink.received(), kSize);
    EXPECT_EQ(sink.crc(), expected);
    EXPECT_LT(statusKiB("VmHWM") - before, 64 * 1024);
}

}  // namespace
