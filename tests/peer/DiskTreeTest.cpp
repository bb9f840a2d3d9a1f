#include "DiskTree.h"
#include "PeerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pd::peer {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::writeFile;

// "C=system D=d ": each drive's letter and folder.
std::string letters(const DiskTree& disk) {
    std::string out;
    for (const DiskTree::Drive& d : disk.drives()) {
        out += std::string{d.letter, '='} + d.folderName + " ";
    }
    return out;
}

constexpr std::int64_t kMtime = 1700000000;  // 2023-11-14 22:13:20 UTC

// Top-level folders: "d" claims D for itself, "system" and "work" fill the other letters from C
// in name order, ".hidden" is no drive, "Desktop" is the desktop. The tree also holds a link
// out of it.
class DiskTreeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = base_.path() / "disk";
        writeFile(root_ / "system" / "boot.ini", 12, kMtime);
        writeFile(root_ / "system" / "Music" / "song.mp3", 3000, kMtime);
        fs::create_directories(root_ / "system" / "Empty");
        writeFile(root_ / "work" / "notes.txt", 5);
        writeFile(root_ / "d" / "photo.jpg", 7);
        writeFile(root_ / "Desktop" / "todo.txt", 4);
        fs::create_directories(root_ / ".hidden");
        writeFile(base_.path() / "secret" / "key.txt", 9);
        fs::create_directory_symlink(base_.path() / "secret", root_ / "system" / "out");
        fs::create_directory_symlink(root_ / "work", root_ / "system" / "toWork");
        disk_ = DiskTree::open(root_);
        ASSERT_TRUE(disk_);
    }

    static const DiskTree::Entry* find(const DiskTree::Listing& l, const std::string& name) {
        auto it = std::find_if(l.entries.begin(), l.entries.end(),
                               [&](const DiskTree::Entry& e) { return e.name == name; });
        return it == l.entries.end() ? nullptr : &*it;
    }

    TempFolder base_;
    fs::path root_;
    std::optional<DiskTree> disk_;
};

TEST_F(DiskTreeTest, TopLevelFoldersBecomeDrivesAndTheDesktop) {
    EXPECT_EQ(letters(*disk_), "C=system D=d E=work ");
    EXPECT_FALSE(DiskTree::open(base_.path() / "missing"));
    DiskTree::Listing l = disk_->list("");
    ASSERT_EQ(l.result, kOk);
    std::string top;
    for (const DiskTree::Entry& e : l.entries) {
        top += e.name + "/" + std::to_string(e.kind) + " ";
    }
    EXPECT_EQ(top, "C:\\/" + std::to_string(kKindSystemDrive) + " D:\\/" +
                       std::to_string(kKindOtherDrive) + " E:\\/" +
                       std::to_string(kKindOtherDrive) + " Desktop/" + std::to_string(kKindFolder) +
                       " ");
    EXPECT_EQ(l.entries[3].desc, "我的桌面");
}

TEST_F(DiskTreeTest, ListingShowsKindsSizesAndFileTimes) {
    DiskTree::Listing l = disk_->list("C:/");
    ASSERT_EQ(l.result, kOk);
    // Folders first, then files; the link that leaves the root is not shown at all.
    std::vector<std::string> names;
    for (const DiskTree::Entry& e : l.entries) {
        names.push_back(e.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Empty", "Music", "toWork", "boot.ini"}));
    const DiskTree::Entry* boot = find(l, "boot.ini");
    ASSERT_NE(boot, nullptr);
    EXPECT_EQ(boot->kind, kKindFile);
    EXPECT_EQ(boot->size, 12u);
    EXPECT_EQ(boot->modifyTime, (kMtime + 11644473600ull) * 10000000ull);
    EXPECT_EQ(find(l, "Music")->kind, kKindFolder);
    EXPECT_EQ(find(l, "toWork")->kind, kKindFolder);
    EXPECT_EQ(disk_->list("C:/boot.ini").result, kNotFolder);
    fs::remove_all(root_ / "Desktop");
    EXPECT_EQ(disk_->list("Desktop").result, kNotFound);
    EXPECT_EQ(disk_->list("").entries.size(), 3u);
}

// Besides unknown drives and missing folders: the spellings of ".." the path parser does not
// meet, and links out of the root.
TEST_F(DiskTreeTest, PathsThatLeaveTheRootOrNameNothingAreRefused) {
    for (const char* path : {"Q:", "C:/nothing", "C:\\..\\..\\secret", "/etc", "C:/out",
                             "C:/out/key.txt", "C:..", "secret", "/C:/.."}) {
        DiskTree::Listing l = disk_->list(path);
        EXPECT_EQ(l.result, kNotFound) << path;
        EXPECT_TRUE(l.entries.empty()) << path;
        EXPECT_NE(disk_->resolve(path).result, kOk) << path;
    }
    // A path with a NUL byte or invalid UTF-8 names nothing.
    EXPECT_EQ(disk_->list(std::string("C:/Music\0/x", 11)).result, kNotFound);
    EXPECT_EQ(disk_->list("C:/\xff").result, kNotFound);
    // A link that stays inside is followed.
    EXPECT_EQ(disk_->list("C:/toWork").entries.size(), 1u);
}

TEST_F(DiskTreeTest, FolderStatisticsCountBelowTheFolderWithoutFollowingLinks) {
    DiskTree::Stats s = disk_->stats("C:");
    EXPECT_EQ(s.result, kOk);
    EXPECT_EQ(s.files, 2u);
    EXPECT_EQ(s.folders, 2u);  // Music and Empty; the two links are not followed
    EXPECT_EQ(s.bytes, 3012u);
    EXPECT_EQ(disk_->stats("C:/boot.ini").result, kNotFolder);
    EXPECT_EQ(disk_->stats("C:/out").result, kNotFound);
}

}  // namespace
}  // namespace pd::peer
