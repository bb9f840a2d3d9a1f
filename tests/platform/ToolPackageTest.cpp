#include "platform/ToolPackage.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using pd::ToolPackage;

namespace {

struct TempDir {
    TempDir() {
        char tmpl[] = "/tmp/pd-toolpackage-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

void writeFile(const fs::path& p, std::size_t size) {
    std::ofstream out(p, std::ios::binary);
    out << std::string(size, 'x');
}

}  // namespace

TEST(ToolPackage, IconsAndPicturesFollowTheExtension) {
    EXPECT_EQ(ToolPackage::FileExtImg("Movie.FLV", true), "format_media_l.png");
    EXPECT_EQ(ToolPackage::FileExtImg("anim.swf", false), "format_flash.png");
    EXPECT_EQ(ToolPackage::FileExtImg("README", false), "format_unkown.png");
    EXPECT_EQ(ToolPackage::FileExtImg("a.tar.gz", true), "format_unkown_l.png");
    EXPECT_EQ(ToolPackage::FileExtImg("C:/docs.v2/report.DOCX", false), "format_word.png");
    // The extension belongs to the last path component only.
    EXPECT_EQ(ToolPackage::FileExtImg("D:/photos.jpg/notes", false), "format_unkown.png");
    EXPECT_TRUE(ToolPackage::FileExtImg("IMG_0001.JPG"));
    EXPECT_TRUE(ToolPackage::FileExtImg("/a/b/icon.ico"));
    EXPECT_FALSE(ToolPackage::FileExtImg("photo.heic"));
    EXPECT_FALSE(ToolPackage::FileExtImg("jpg"));
}

TEST(ToolPackage, ColoursFromHexTexts) {
    EXPECT_EQ(ToolPackage::colorFromHexRGB("ffffff"), (pd::Color{1, 1, 1, 1}));
    const pd::Color c = ToolPackage::colorFromHexRGB("3496d3");
    EXPECT_DOUBLE_EQ(c.red, 52 / 255.0);
    EXPECT_DOUBLE_EQ(c.green, 150 / 255.0);
    EXPECT_DOUBLE_EQ(c.blue, 211 / 255.0);
    EXPECT_EQ(ToolPackage::colorFromHexRGB(std::nullopt), (pd::Color{0, 0, 0, 1}));
    EXPECT_EQ(ToolPackage::colorFromHexRGB("#5a5a5a"), (pd::Color{0, 0, 0, 1}));
    EXPECT_EQ(ToolPackage::colorFromHexRGB("  0xFF0000zz"), (pd::Color{1, 0, 0, 1}));
    // Bits above the 24 colour bits are ignored.
    EXPECT_EQ(ToolPackage::colorFromHexRGB("1000000ff"), (pd::Color{0, 0, 1, 1}));
}

TEST(ToolPackage, Md5TextIsLowerCaseHexAndStopsAtNul) {
    EXPECT_EQ(ToolPackage::Get32bitMD5("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(ToolPackage::Get32bitMD5(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(ToolPackage::Get32bitMD5(std::string("abc\0def", 7)),
              ToolPackage::Get32bitMD5("abc"));
}

TEST(ToolPackage, FolderSizeCountsFilesLinksAndFoldersWithoutFollowingLinks) {
    TempDir dir;
    EXPECT_EQ(ToolPackage::FolderSizeAtPath((dir.path / "missing").c_str()), 0u);
    EXPECT_EQ(ToolPackage::FolderSizeAtPath(dir.path.c_str()), 0u);

    writeFile(dir.path / "a.bin", 1000);
    fs::create_directory(dir.path / "sub");
    writeFile(dir.path / "sub" / "b.bin", 234);
    writeFile(dir.path / "big.bin", 5000);
    fs::create_symlink(dir.path / "big.bin", dir.path / "sub" / "link");

    struct stat sub {};
    ASSERT_EQ(::lstat((dir.path / "sub").c_str(), &sub), 0);
    struct stat link {};
    ASSERT_EQ(::lstat((dir.path / "sub" / "link").c_str(), &link), 0);
    const auto expected = 1000u + 234u + 5000u + static_cast<std::uint64_t>(sub.st_size) +
                          static_cast<std::uint64_t>(link.st_size);
    EXPECT_EQ(ToolPackage::FolderSizeAtPath(dir.path.c_str()), expected);
    // A trailing slash does not change the result.
    EXPECT_EQ(ToolPackage::FolderSizeAtPath((dir.path.string() + "/").c_str()), expected);
}

TEST(ToolPackage, FolderSizeSkipsChildPathsThatWouldNotFit) {
    TempDir dir;
    // Nest folders until the path nears PATH_MAX, then put there one short name that fits and one
    // name that makes the child path too long: that one is skipped, never written past the buffer.
    fs::path deep = dir.path;
    const std::string segment(200, 'd');
    std::vector<fs::path> levels;
    while (deep.string().size() + segment.size() + 2 < PATH_MAX - 50) {
        deep /= segment;
        levels.push_back(deep);
    }
    fs::create_directories(deep);
    writeFile(deep / "inside.bin", 10);
    char cwd[PATH_MAX];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(deep.c_str()), 0);  // the long name can only be made relative to it
    writeFile(std::string(255, 'n'), 77);
    ASSERT_EQ(::chdir(cwd), 0);

    std::uint64_t folders = 0;
    for (const auto& level : levels) {
        struct stat ls {};
        ASSERT_EQ(::lstat(level.c_str(), &ls), 0);
        folders += static_cast<std::uint64_t>(ls.st_size);
    }
    EXPECT_EQ(ToolPackage::FolderSizeAtPath(dir.path.c_str()), folders + 10);
}

TEST(ToolPackage, ListingsOfPhoneFolders) {
    TempDir dir;
    writeFile(dir.path / "a.png", 3);
    writeFile(dir.path / "A.PNG", 4);
    writeFile(dir.path / ".hidden.png", 5);
    writeFile(dir.path / "notes.txt", 6);
    fs::create_directory(dir.path / "folder");

    auto pngs = ToolPackage::GetFilenamelistOfType("png", dir.path.string());
    std::sort(pngs.begin(), pngs.end());
    EXPECT_EQ(pngs, (std::vector<std::string>{".hidden.png", "a.png"}));
    EXPECT_TRUE(ToolPackage::GetFilenamelistOfType("png", (dir.path / "none").string()).empty());

    auto files = ToolPackage::GetFilenamelistOfPath(dir.path.string(), false);
    ASSERT_EQ(files.size(), 3u);  // hidden entries are skipped, folders are not files
    // A known time, exact to the second (shifted into the local zone, in milliseconds).
    const std::time_t known = 1733580907;  // 2024-12-07 14:15:07 UTC
    const timespec times[2] = {{known, 0}, {known, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir.path / "notes.txt").c_str(), times, 0), 0);
    std::tm local{};
    localtime_r(&known, &local);
    files = ToolPackage::GetFilenamelistOfPath(dir.path.string(), false);
    for (const auto& f : files) {
        EXPECT_NE(f.fileName, "folder");
        if (f.fileName == "notes.txt") {
            EXPECT_EQ(f.modifyTime, (static_cast<double>(known) + local.tm_gmtoff) * 1000.0);
        }
    }
    auto folders = ToolPackage::GetFilenamelistOfPath(dir.path.string(), true);
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].fileName, "folder");
    EXPECT_TRUE(ToolPackage::GetFilenamelistOfPath((dir.path / "folder").string(), true).empty());
    EXPECT_EQ(ToolPackage::FileSizeAtPath((dir.path / "notes.txt").string()), 6);
    EXPECT_EQ(ToolPackage::FileSizeAtPath((dir.path / "nope").string()), 0);
    EXPECT_FALSE(ToolPackage::FileExistAtPath((dir.path / "nope").string()));
}

TEST(ToolPackage, VersionTextKeepsEmptyEmpty) {
    EXPECT_EQ(ToolPackage::versionFromBundleVersion("2.1"), "2.0.1");
    EXPECT_EQ(ToolPackage::versionFromBundleVersion(""), "");
}
