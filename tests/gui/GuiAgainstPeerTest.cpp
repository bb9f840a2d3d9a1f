// The Qt Quick front-end against a real peer, driven as a user drives it: by finding what is
// on screen and tapping it.

#include "GuiFixture.h"

#include "core/AuthCore.h"

#include <filesystem>
#include <fstream>

namespace pd::gui {
namespace {

using namespace std::chrono_literals;

TEST_F(GuiAgainstPeer, SearchPairWithTheCodeOpenAFolderDownloadAndSeeTheFileFinished) {
    const int discoveryPort = peer::freeUdpPort();
    startPeer({"--code", "123456", "--name", "TEST-PC", "--discovery-port",
               std::to_string(discoveryPort)});
    GuiOptions options;
    options.interfaceName = "lo";
    options.discoveryPort = discoveryPort;
    open(options);

    // First run: the introduction, then the search finds the peer.
    for (int page = 0; page < 4; ++page) {
        ASSERT_TRUE(ui->click("introNext")) << "introduction page " << page;
    }
    ASSERT_NE(ui->waitFor("serverRow_0"), nullptr);
    EXPECT_NE(ui->findText("TEST-PC"), nullptr);
    EXPECT_EQ(textOf("foundTip"), "1 " + displayText("canConnectPc"));

    // A new phone is refused without the code, then enters it in the six fields.
    ASSERT_TRUE(ui->click("serverRow_0"));
    ASSERT_TRUE(ui->click("codeField_0"));
    EXPECT_EQ(textOf("tipText"), displayText("pc Rejected"));
    ui->type("123456");

    // The tabs open on the drives; D: holds Music, Music holds song.mp3.
    ASSERT_NE(ui->waitFor("diskRow_2"), nullptr);
    EXPECT_EQ(app->page(), "tabs");
    EXPECT_EQ(textOf("diskTitle"), "TEST-PC");
    ASSERT_TRUE(tapText("D:"));
    ASSERT_TRUE(tapText("Music"));
    ASSERT_NE(ui->waitForText("song.mp3"), nullptr);
    EXPECT_EQ(textOf("pathLine"), "D:/Music/");

    ASSERT_TRUE(ui->click("rowMenu_1"));
    ASSERT_TRUE(ui->click("action_0"));  // Download
    EXPECT_TRUE(ui->waitUntil(
        [&] { return textOf("tipText") == displayText("joined the download queue"); }));

    // Back to the drives, then the download list: the file ends up under "this week".
    ASSERT_TRUE(ui->click("backButton"));
    ASSERT_TRUE(ui->click("backButton"));
    ASSERT_TRUE(ui->click("downloadsButton"));
    ASSERT_TRUE(ui->waitUntil(
        [&] { return countItems(ui->window().contentItem(), "runningRow_") == 0; }, 30s));
    ASSERT_TRUE(ui->click("menu_0"));
    ASSERT_NE(ui->waitFor("finishedRow_0_0"), nullptr);
    EXPECT_NE(ui->findText("song.mp3"), nullptr);
    EXPECT_NE(ui->findText("▾ " + displayText("this week")), nullptr);
}

// A computer whose program restarts on the same ports is linked again under a banner, and the
// tabs stay; one that does not come back leaves the server list in front.
TEST_F(GuiAgainstPeer, ADroppedLinkIsRestoredUnderABannerOrEndsAtTheServerList) {
    startPeer({"--code", "654321"});
    GuiOptions options;
    options.pc = address();
    options.code = "654321";
    open(options);
    ASSERT_NE(ui->waitFor("diskRow_0"), nullptr);

    const std::string control = std::to_string(peerProcess->controlPort());
    const std::string http = std::to_string(peerProcess->httpPort());
    ASSERT_TRUE(peerProcess->stop());
    peerProcess.reset();
    EXPECT_NE(ui->waitFor("linkBanner"), nullptr);
    startPeer({"--code", "654321", "--port", control, "--http-port", http});
    EXPECT_TRUE(
        ui->waitUntil([&] { return textOf("linkBannerText").startsWith("Reconnected"); }, 30s));
    EXPECT_NE(ui->find("diskRow_0"), nullptr);

    // Without pauses between the attempts, and without asking where it went.
    AuthCore::ShareInstance().setReconnectDelays([](int) { return 1ms; });
    AuthCore::ShareInstance().setComputerFinder(nullptr);
    ASSERT_TRUE(peerProcess->stop());
    peerProcess.reset();
    EXPECT_TRUE(ui->waitUntil([&] { return app->page() == "servers"; }, 30s));
    EXPECT_NE(ui->waitFor("serverRow_0"), nullptr);
    EXPECT_EQ(ui->find("diskRow_0"), nullptr);
}

// The size of the file named `name` under `folder` whose parent folder's name is `parent` (the
// download's temporary area or its key folder), or -1.
std::intmax_t sizeOf(const std::filesystem::path& folder, bool temporary, const std::string& name) {
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder, ec)) {
        const bool inTemp = e.path().parent_path().filename() == "\\temp";
        if (e.path().filename() == name && inTemp == temporary) {
            return static_cast<std::intmax_t>(std::filesystem::file_size(e.path(), ec));
        }
    }
    return -1;
}

TEST_F(GuiAgainstPeer, ClosingTheWindowPausesADownloadAndTheNextRunFinishesIt) {
    startPeer({"--code", "111111", "--http-rate", "400000"});
    GuiOptions options;
    options.pc = address();
    options.code = "111111";
    const auto phone = home() / "phone";
    for (int run = 0; run < 2; ++run) {
        open(options);
        ASSERT_TRUE(tapText("D:"));
        ASSERT_TRUE(tapText("Music"));
        ASSERT_TRUE(ui->click("rowMenu_1"));
        ASSERT_TRUE(ui->click("action_0"));  // Download song.mp3 (2,500,000 bytes)
        if (run == 0) {
            ASSERT_TRUE(ui->waitUntil([&] { return sizeOf(phone, true, "song.mp3") > 0; }));
            closeWindow();
            const auto kept = sizeOf(phone, true, "song.mp3");
            EXPECT_GT(kept, 0);
            EXPECT_LT(kept, 2'500'000);
            EXPECT_EQ(sizeOf(phone, false, "song.mp3"), -1);
        }
    }
    EXPECT_TRUE(ui->waitUntil([&] { return sizeOf(phone, false, "song.mp3") == 2'500'000; }));
}

TEST_F(GuiAgainstPeer, ALargeFolderMakesRowsOnlyForWhatIsOnScreen) {
    startPeer({"--code", "112233"});
    const auto big = disk / "D" / "Big";
    std::filesystem::create_directories(big);
    constexpr int kEntries = 5000;
    for (int i = 0; i < kEntries; ++i) {
        std::ofstream(big / ("file" + std::to_string(i) + ".txt")) << i;
    }
    GuiOptions options;
    options.pc = address();
    options.code = "112233";
    open(options);
    ASSERT_TRUE(tapText("D:"));
    ASSERT_TRUE(tapText("Big"));
    QQuickItem* list = ui->waitFor("folderList");
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(ui->waitUntil([&] { return list->property("count").toInt() == kEntries; }));
    EXPECT_LT(countItems(list, "folderRow_"), 100);
}

}  // namespace
}  // namespace pd::gui
