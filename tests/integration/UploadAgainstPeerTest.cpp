// Backup uploads from the core controller into the real peer's backup folder.

#include "PeerFixture.h"

#include "core/AuthCore.h"
#include "platform/AtomicFile.h"
#include "platform/Dispatch.h"
#include "support/PatternSource.h"
#include "support/WaitFor.h"

#include <fstream>

using namespace pd;
using namespace pd::test;

namespace {

class UploadAgainstPeer : public PeerFixture {
  protected:
    void TearDown() override {
        AuthCore::ShareInstance().resetForTests();  // drops the finish observer
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
        PeerFixture::TearDown();
    }
};

}  // namespace

TEST_F(UploadAgainstPeer, ThreeFilesArriveByteIdenticalOneAfterTheOther) {
    const auto backup = home() / "received";
    startPeer({"--direct-accept", "--backup-dir", backup.string()});
    AuthCore& core = AuthCore::ShareInstance();
    core.resetForTests();
    std::vector<std::pair<std::string, UploadOutcome>> ended;
    core.UploadFinishBlock(
        [&](const std::string& name, UploadOutcome outcome) { ended.emplace_back(name, outcome); });
    core.serverIp = "127.0.0.1";
    core.port = peerProcess->controlPort();
    core.ConnetctPcServer(1);
    ASSERT_TRUE(pumpMainUntil([&] { return core.hasAcceptedLink(); }));

    const PatternSource batch[] = {
        {"IMG_0001.JPG", 180'000}, {"clip 0002.MOV", 5 * 1024 * 1024 + 3}, {"empty.txt", 0}};
    std::filesystem::create_directories(home() / "phone");
    // Each item starts when the one before it has ended, as the backup batch will do it.
    for (std::size_t i = 0; i < std::size(batch); ++i) {
        SCOPED_TRACE(batch[i].name());
        const auto path = home() / "phone" / batch[i].name();
        std::ofstream(path, std::ios::binary) << batch[i].content();
        core.GetPhotoDataFinish(openFileUploadSource(path.string()));
        ASSERT_TRUE(pumpMainUntil([&] { return ended.size() > i; }, std::chrono::seconds(30)));
        EXPECT_EQ(ended[i], std::make_pair(batch[i].name(), UploadOutcome::Sent));
        // The peer renames an item into place once it has all of it.
        const auto received = backup / batch[i].name();
        ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(received); }));
        EXPECT_TRUE(readWholeFile(received, 16 << 20) == batch[i].content());
    }
}
