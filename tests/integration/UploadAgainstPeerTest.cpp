// Backup uploads from the core controller into the real peer's backup folder.

#include "PeerFixture.h"

#include "core/AuthCore.h"
#include "platform/Dispatch.h"
#include "platform/Md5.h"
#include "support/WaitFor.h"

#include <fstream>
#include <sstream>

using namespace pd;
using namespace pd::test;

namespace {

class UploadAgainstPeer : public PeerFixture {
  protected:
    void SetUp() override {
        backup = home() / "received";
        startPeer({"--direct-accept", "--backup-dir", backup.string()});
        core().resetForTests();
        core().UploadFinishBlock([this](const std::string& name, UploadOutcome outcome) {
            ended.emplace_back(name, outcome);
        });
        core().serverIp = "127.0.0.1";
        core().port = peerProcess->controlPort();
        core().ConnetctPcServer(1);
        ASSERT_TRUE(pumpMainUntil([] { return core().hasAcceptedLink(); }));
    }
    void TearDown() override {
        core().resetForTests();
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
        PeerFixture::TearDown();
    }
    static AuthCore& core() { return AuthCore::ShareInstance(); }
    std::filesystem::path writeFile(const std::string& name, std::size_t size) {
        std::string bytes(size, '\0');
        std::uint32_t x = 2463534242u;  // xorshift: content that no off-by-one can fake
        for (char& c : bytes) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x);
        }
        const auto path = home() / "phone" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string digestOf(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return md5HexLower(ss.str());
    }

    std::filesystem::path backup;
    std::vector<std::pair<std::string, UploadOutcome>> ended;
};

}  // namespace

TEST_F(UploadAgainstPeer, ABatchArrivesByteIdenticalOneItemAfterTheOther) {
    struct Item {
        std::string name;
        std::size_t size;
    };
    const std::vector<Item> batch = {
        {"IMG_0001.JPG", 180'000}, {"clip 0002.MOV", 5 * 1024 * 1024 + 3}, {"empty.txt", 0}};
    std::vector<std::filesystem::path> sources;
    for (const Item& item : batch) {
        sources.push_back(writeFile(item.name, item.size));
    }
    // Each item starts when the one before it has ended, as the backup batch will do it.
    std::size_t next = 0;
    auto startNext = [&] {
        auto source = openFileUploadSource(sources[next].string());
        ASSERT_NE(source, nullptr);
        ++next;
        core().GetPhotoDataFinish(source);
    };
    startNext();
    ASSERT_TRUE(pumpMainUntil(
        [&] {
            if (ended.size() == next && next < batch.size()) {
                startNext();
            }
            return ended.size() == batch.size();
        },
        std::chrono::seconds(30)));
    for (std::size_t i = 0; i < batch.size(); ++i) {
        SCOPED_TRACE(batch[i].name);
        EXPECT_EQ(ended[i], std::make_pair(batch[i].name, UploadOutcome::Sent));
        // The peer renames an item into place once it has all of it.
        const auto received = backup / batch[i].name;
        ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(received); }));
        EXPECT_EQ(digestOf(received), digestOf(sources[i]));
    }
    core().FileMgrCommondOp(99999, "QUIT");

    // A name that would leave the backup folder is refused and nothing is written anywhere.
    ended.clear();
    core().GetPhotoDataFinish(openFileUploadSource(sources[0].string(), "../escape.jpg"));
    ASSERT_TRUE(pumpMainUntil([&] { return ended.size() == 1; }));
    EXPECT_EQ(ended[0], std::make_pair(std::string("../escape.jpg"), UploadOutcome::Refused));
    EXPECT_FALSE(std::filesystem::exists(home() / "escape.jpg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(backup), {}), 3);
}
