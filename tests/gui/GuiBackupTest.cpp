// The backup tab against a real peer: a shake and a pick in the photo grid, and what arrives in
// the peer's backup folder.

#include "GuiFixture.h"

#include "BackupAdapter.h"
#include "PhotoGridModel.h"
#include "core/Settings.h"

#include <QImage>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace pd::gui {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Name -> content of the files directly in `folder`.
std::map<std::string, std::string> filesIn(const fs::path& folder) {
    std::map<std::string, std::string> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (e.is_regular_file()) {
            found[e.path().filename().string()] = bytesOf(e.path());
        }
    }
    return found;
}

class GuiBackup : public GuiAgainstPeer {
  protected:
    // `count` distinct pictures in the phone's library (and one under each of `extraNames`);
    // connected, on the backup tab.
    void openBackupTab(int count, std::vector<std::string> extraNames = {}) {
        photos = home() / "photos";
        fs::create_directories(photos);
        for (int n = 0; n < count; ++n) {
            extraNames.push_back("IMG_" + std::to_string(100 + n) + ".png");
        }
        for (std::size_t n = 0; n < extraNames.size(); ++n) {
            QImage image(64, 48, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(static_cast<int>(n) * 60 % 360, 200, 220));
            ASSERT_TRUE(
                image.save(QString::fromStdString((photos / extraNames[n]).string()), "PNG"));
        }
        backupDir = home() / "backed-up";
        startPeer({"--code", "246810", "--backup-dir", backupDir.string()});
        GuiOptions options;
        options.pc = address();
        options.code = "246810";
        options.photos = photos.string();
        open(options);
        ASSERT_NE(ui->waitFor("diskRow_0"), nullptr);
        ASSERT_TRUE(ui->click("tab_1"));
        ASSERT_NE(ui->waitFor("shakeButton"), nullptr);
        // The link has one answer slot: the folder's answer comes before a batch asks.
        ASSERT_TRUE(ui->waitUntil([&] { return textOf("backupFolderLine").contains(':'); }));
    }
    BackupAdapter& screen() const { return *app->tabsAdapter()->backupScreen(); }
    bool statusIs(const std::string& key) const {
        return textOf("backupStatus") == displayText(key);
    }

    fs::path photos;
    fs::path backupDir;
};

TEST_F(GuiBackup, AShakeBacksUpTheLibraryAndASecondShakeFindsNothingNew) {
    openBackupTab(3);
    EXPECT_EQ(textOf("backupTitle"), displayText("backup"));
    EXPECT_TRUE(statusIs("shake the iphone"));
    EXPECT_EQ(textOf("backupTimeLine"), displayText("last backup time never"));
    // The computer names its backup folder.
    EXPECT_TRUE(ui->waitUntil([&] {
        return textOf("backupFolderLine").startsWith(displayText("backupDir") + ":") &&
               textOf("backupFolderLine").size() > displayText("backupDir").size() + 1;
    }));

    ASSERT_TRUE(ui->click("shakeButton"));
    ASSERT_TRUE(ui->waitUntil([&] { return statusIs("backup has successfully"); }, 30s));
    EXPECT_EQ(ui->find("progressRing"), nullptr);
    EXPECT_EQ(textOf("backupTimeLine"), displayText("successful backup photo/video") + " 3/3");
    EXPECT_EQ(ui->find("backupFailedLine"), nullptr);
    ASSERT_TRUE(ui->waitUntil([&] { return screen().lastReport().has_value(); }));
    EXPECT_EQ(screen().lastReport()->sent, 3u);

    std::map<std::string, std::string> expected;
    for (const auto& e : fs::directory_iterator(photos)) {
        expected[e.path().filename().string()] = bytesOf(e.path());
    }
    EXPECT_EQ(filesIn(backupDir), expected);

    // The computer has them all now: nothing is sent again.
    ASSERT_TRUE(ui->click("shakeButton"));
    EXPECT_TRUE(ui->waitUntil([&] { return textOf("backupTimeLine").startsWith("0 "); }));
    EXPECT_TRUE(statusIs("backup has stopped"));
    EXPECT_EQ(filesIn(backupDir).size(), 3u);
}

// A photo the computer refuses (its name holds "..") ends the batch, but not as a success.
TEST_F(GuiBackup, ABatchWithARefusedPhotoIsNotReportedAsASuccess) {
    openBackupTab(1, {"bad..name.png"});
    ASSERT_TRUE(ui->click("shakeButton"));
    ASSERT_TRUE(ui->waitUntil([&] { return statusIs("backup finished with failures"); }, 30s));
    EXPECT_NE(ui->find("backupFailedLine"), nullptr);
    ASSERT_TRUE(ui->waitUntil([&] { return screen().lastReport().has_value(); }));
    EXPECT_EQ(screen().lastReport()->failed, 1u);
    EXPECT_EQ(filesIn(backupDir).size(), 1u);
}

TEST_F(GuiBackup, PickingTwoPhotosInTheGridBacksUpExactlyThose) {
    openBackupTab(5);
    // Closing the browser with nothing picked sends nothing.
    ASSERT_TRUE(ui->click("pickTab"));
    ASSERT_TRUE(ui->click("browserDone"));
    EXPECT_TRUE(ui->waitUntil([&] { return statusIs("backup has stopped"); }));
    EXPECT_EQ(textOf("backupTimeLine"), displayText("no photos backup"));

    ASSERT_TRUE(ui->click("pickTab"));
    ASSERT_NE(ui->waitFor("photoCell_4"), nullptr);
    EXPECT_EQ(textOf("pickedCount"), "0/5");
    // A second tap unpicks.
    for (const char* cell : {"photoCell_1", "photoCell_3", "photoCell_0", "photoCell_0"}) {
        ASSERT_TRUE(ui->click(cell)) << cell;
    }
    EXPECT_EQ(textOf("pickedCount"), "2/5");
    auto* grid = static_cast<PhotoGridModel*>(screen().photos());
    const auto nameAt = [&](int row) {
        return grid->data(grid->index(row), PhotoGridModel::NameRole).toString().toStdString();
    };
    const std::map<std::string, std::string> expected = {{nameAt(1), bytesOf(photos / nameAt(1))},
                                                         {nameAt(3), bytesOf(photos / nameAt(3))}};

    ASSERT_TRUE(ui->click("browserDone"));
    EXPECT_EQ(ui->find("photoGrid"), nullptr);
    ASSERT_TRUE(ui->waitUntil([&] { return statusIs("backup has successfully"); }, 30s));
    EXPECT_EQ(textOf("backupTimeLine"), displayText("successful backup photo/video") + " 2/2");
    EXPECT_EQ(filesIn(backupDir), expected);
}

TEST_F(GuiBackup, TappingTheRingStopsTheBackupAfterThePhotoUnderWay) {
    openBackupTab(4);
    // The computer is held still, so the first photo stays under way while the ring is tapped.
    {
        const int pid = peerProcess->pid();
        ASSERT_EQ(::kill(pid, SIGSTOP), 0);
        const std::unique_ptr<const int, void (*)(const int*)> resume(
            &pid, [](const int* p) { ::kill(*p, SIGCONT); });
        ASSERT_TRUE(ui->click("shakeButton"));
        QQuickItem* ring = ui->waitFor("progressRing");
        ASSERT_NE(ring, nullptr);
        EXPECT_EQ(textOf("ringCount"), "0/4");
        ui->click(ring);
    }
    EXPECT_TRUE(statusIs("backup has stopped"));
    EXPECT_EQ(ui->find("progressRing"), nullptr);
    ASSERT_TRUE(ui->waitUntil([&] { return screen().lastReport().has_value(); }, 30s));
    EXPECT_TRUE(screen().lastReport()->stopped);
    EXPECT_LE(filesIn(backupDir).size(), 1u);
    // The time of the stopped backup is kept.
    EXPECT_TRUE(Settings::standard().lastPicBackTime().has_value());
}

TEST_F(GuiBackup, ThePhoneFilesSwitchKeepsItsSetting) {
    openBackupTab(0);
    QQuickItem* toggle = ui->waitFor("phoneFilesSwitch");
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->property("checked").toBool());
    ui->click(toggle);
    EXPECT_TRUE(ui->waitUntil([] { return !Settings::standard().phoneFilesOn(); }));
    EXPECT_FALSE(toggle->property("checked").toBool());

    // An empty library: a shake says so and starts nothing.
    ASSERT_TRUE(ui->click("shakeButton"));
    EXPECT_TRUE(ui->waitUntil([&] {
        return textOf("backupTimeLine") == displayText("successful backup photo/video") + " 0/0";
    }));
    EXPECT_TRUE(statusIs("backup has stopped"));
}

}  // namespace
}  // namespace pd::gui
