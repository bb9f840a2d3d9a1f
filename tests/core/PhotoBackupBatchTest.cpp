// The backup batch against a computer whose every reply the test writes: how its "226"
// replies become ledger records, and that a computer without them costs a bounded wait only.

#include "core/AuthCore.h"

#include "CaptureImage.h"
#include "core/BackupLedger.h"
#include "model/ObjectStore.h"
#include "platform/AssetUrl.h"
#include "platform/Dispatch.h"
#include "platform/PhotoLibrary.h"
#include "support/ScriptedComputer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <fstream>
#include <future>

using namespace pd;
using namespace pd::test;

namespace {

class PhotoBackupBatchTest : public TempHome {
  protected:
    void SetUp() override {
        core().resetForTests();
        library = home() / "Pictures";
        std::filesystem::create_directories(library);
        for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG"}) {
            std::ofstream(library / name, std::ios::binary) << peer::CaptureImage::render(name[7]);
        }
    }
    // A new link to a new computer (tagged `tag`), with a new batch observer.
    void link(const std::string& tag) {
        pcOwned = std::make_unique<ScriptedComputer>();
        ended.reset();
        core().assetslibrary = std::make_shared<const PhotoLibrary>(library);
        core().BackupFinishBlock([this](const BackupBatchEnd& e) { ended = e; });
        core().serverIp = "127.0.0.1";
        core().port = pc().port();
        core().deviceTag = tag;
        core().ConnetctPcServer(1);
        ASSERT_TRUE(pc().accept());
        ASSERT_TRUE(pc().readMessage());  // hello
        pc().sendMessage(1039, pack({I(255), I(0), R("TICKET")}));
        ASSERT_TRUE(pumpMainUntil([] { return core().hasAcceptedLink(); }));
    }
    void TearDown() override {
        core().resetForTests();
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
    }
    static AuthCore& core() { return AuthCore::ShareInstance(); }

    // The next upload-channel command, pumping the main queue meanwhile ("" when none came).
    std::string nextCommand() {
        auto frame = std::async(std::launch::async, [this] {
            while (auto f = pc().readMessage(std::chrono::seconds(5))) {
                auto body = msg::decode(f->body);
                if (f->code == 100 && body && body->root()[1].asInt64() == 99999) {
                    return std::string(body->root()[2].asRaw().value_or(""));
                }
            }
            return std::string();
        });
        pumpMainUntil(
            [&] { return frame.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            std::chrono::seconds(15));
        return frame.get();
    }
    void reply(const std::string& line) {
        pc().sendMessage(1100, pack({I(0), I(0), I(0), R(line)}));
    }
    // Serves one item: PASV, STOR, its bytes; then the "226" if the computer sends them.
    void serveItem(const std::string& name, bool confirm) {
        ASSERT_EQ(nextCommand(), "PASV");
        ScriptedComputer data;
        reply("227 127.0.0.1:" + std::to_string(data.port()));
        ASSERT_EQ(nextCommand(), "STOR " + name);
        reply("150 Opening data connection");
        auto whole = std::async(std::launch::async, [&] {
            std::string bytes;
            return data.accept() && data.peerClosed(std::chrono::seconds(10), &bytes) &&
                   bytes.size() == std::filesystem::file_size(library / name);
        });
        pumpMainUntil(
            [&] { return whole.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        ASSERT_TRUE(whole.get());
        if (confirm) {
            reply("226 Transfer complete");
        }
    }

    ScriptedComputer& pc() { return *pcOwned; }
    std::unique_ptr<ScriptedComputer> pcOwned;
    std::filesystem::path library;
    std::optional<BackupBatchEnd> ended;
};

}  // namespace

// Each "226" confirms the oldest sent photo; without them the batch still ends (after a
// bounded wait), sends "QUIT" and records nothing.
TEST_F(PhotoBackupBatchTest, ConfirmedPhotosGoToTheLedgerOfThatComputer) {
    struct Case {
        const char* what;
        const char* tag;
        bool confirms;
        std::size_t recorded;
    };
    const Case cases[] = {{"the computer confirms each photo", "PC-1", true, 2},
                          {"the computer never confirms", "PC-2", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        link(c.tag);
        core().setBackupConfirmLimit(c.confirms ? std::chrono::milliseconds(20000)
                                                : std::chrono::milliseconds(300));
        core().upQueueArr = {AssetUrl::fromRelativePath("IMG_0001.JPG"),
                             AssetUrl::fromRelativePath("IMG_0002.JPG")};
        ASSERT_TRUE(core().PhotoAlbumBakMgr());
        serveItem("IMG_0001.JPG", c.confirms);
        serveItem("IMG_0002.JPG", c.confirms);
        EXPECT_EQ(nextCommand(), "QUIT");
        ASSERT_TRUE(pumpMainUntil([&] { return ended.has_value(); }));
        EXPECT_EQ(ended->confirmed, c.recorded);
        EXPECT_EQ(ended->failed, 0u);
        BackupLedger ledger(ObjectStore::shared());
        EXPECT_EQ(ledger.records(c.tag).size(), c.recorded);
        EXPECT_EQ(ledger.contains(c.tag, AssetUrl::fromRelativePath("IMG_0001.JPG"),
                                  std::filesystem::file_size(library / "IMG_0001.JPG")),
                  c.confirms);
    }
    // Each computer has its own ledger.
    EXPECT_EQ(BackupLedger(ObjectStore::shared()).records("PC-1").size(), 2u);
}
