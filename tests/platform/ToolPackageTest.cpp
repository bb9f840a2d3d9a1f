#include "platform/ToolPackage.h"

#include "support/TempHome.h"

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
using pd::Color;
using pd::ToolPackage;

namespace {

// An empty folder of its own for each test.
class ToolPackageFolder : public pd::test::TempHome {
  protected:
    void SetUp() override { fs::create_directory(dir); }
    const fs::path dir = home() / "folder-under-test";
};

void writeFile(const fs::path& p, std::size_t size) {
    std::ofstream(p, std::ios::binary) << std::string(size, 'x');
}

std::uint64_t lstatSize(const fs::path& p) {
    struct stat s {};
    EXPECT_EQ(::lstat(p.c_str(), &s), 0) << p;
    return static_cast<std::uint64_t>(s.st_size);
}

}  // namespace

TEST(ToolPackage, IconsAndPicturesFollowTheExtensionOfTheLastComponent) {
    EXPECT_EQ(ToolPackage::FileExtImg("Movie.FLV", true), "format_media_l.png");
    EXPECT_EQ(ToolPackage::FileExtImg("README", false), "format_unkown.png");
    EXPECT_EQ(ToolPackage::FileExtImg("a.tar.gz", true), "format_unkown_l.png");
    EXPECT_EQ(ToolPackage::FileExtImg("C:/docs.v2/report.DOCX", false), "format_word.png");
    EXPECT_EQ(ToolPackage::FileExtImg("D:/photos.jpg/notes", false), "format_unkown.png");
    EXPECT_TRUE(ToolPackage::FileExtImg("IMG_0001.JPG"));
    EXPECT_TRUE(ToolPackage::FileExtImg("/a/b/icon.ico"));
    EXPECT_FALSE(ToolPackage::FileExtImg("photo.heic"));
    EXPECT_FALSE(ToolPackage::FileExtImg("jpg"));
}

TEST(ToolPackage, ColoursMd5AndVersionTextsFromKnownValues) {
    EXPECT_EQ(ToolPackage::colorFromHexRGB("3496d3"),
              (Color{52 / 255.0, 150 / 255.0, 211 / 255.0}));
    EXPECT_EQ(ToolPackage::colorFromHexRGB(std::nullopt), (Color{0, 0, 0, 1}));
    EXPECT_EQ(ToolPackage::colorFromHexRGB("#5a5a5a"), (Color{0, 0, 0, 1}));
    EXPECT_EQ(ToolPackage::colorFromHexRGB("  0xFF0000zz"), (Color{1, 0, 0, 1}));
    // Bits above the 24 colour bits are ignored.
    EXPECT_EQ(ToolPackage::colorFromHexRGB("1000000ff"), (Color{0, 0, 1, 1}));
    // MD5 texts are lower-case hex and stop at a NUL.
    EXPECT_EQ(ToolPackage::Get32bitMD5(std::string("abc\0def", 7)),
              "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(ToolPackage::Get32bitMD5(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(ToolPackage::versionFromBundleVersion("2.1"), "2.0.1");
    EXPECT_EQ(ToolPackage::versionFromBundleVersion(""), "");
}

// Files, links and folders count by their own size; links are not followed. A child path that
// would not fit in PATH_MAX is skipped, never written past the buffer.
TEST_F(ToolPackageFolder, FolderSizeCountsEverythingItCanReachWithoutFollowingLinks) {
    EXPECT_EQ(ToolPackage::FolderSizeAtPath((dir / "missing").c_str()), 0u);
    EXPECT_EQ(ToolPackage::FolderSizeAtPath(dir.c_str()), 0u);

    writeFile(dir / "a.bin", 1000);
    fs::create_directory(dir / "sub");
    writeFile(dir / "sub" / "b.bin", 234);
    writeFile(dir / "big.bin", 5000);
    fs::create_symlink(dir / "big.bin", dir / "sub" / "link");
    // Nest folders until the path nears PATH_MAX, then put there one short name that fits and
    // one name that makes the child path too long.
    fs::path deep = dir;
    std::vector<fs::path> levels;
    const std::string segment(200, 'd');
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

    std::uint64_t expected =
        1000u + 234u + 5000u + 10u + lstatSize(dir / "sub") + lstatSize(dir / "sub" / "link");
    for (const auto& level : levels) {
        expected += lstatSize(level);
    }
    EXPECT_EQ(ToolPackage::FolderSizeAtPath(dir.c_str()), expected);
    // A trailing slash does not change the result.
    EXPECT_EQ(ToolPackage::FolderSizeAtPath((dir.string() + "/").c_str()), expected);
}

TEST_F(ToolPackageFolder, ListingsOfPhoneFolders) {
    writeFile(dir / "a.png", 3);
    writeFile(dir / "A.PNG", 4);
    writeFile(dir / ".hidden.png", 5);
    writeFile(dir / "notes.txt", 6);
    fs::create_directory(dir / "folder");

    auto pngs = ToolPackage::GetFilenamelistOfType("png", dir.string());
    std::sort(pngs.begin(), pngs.end());
    EXPECT_EQ(pngs, (std::vector<std::string>{".hidden.png", "a.png"}));
    EXPECT_TRUE(ToolPackage::GetFilenamelistOfType("png", (dir / "none").string()).empty());

    // A known time, exact to the second (shifted into the local zone, in milliseconds).
    const std::time_t known = 1733580907;  // 2024-12-07 14:15:07 UTC
    const timespec times[2] = {{known, 0}, {known, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "notes.txt").c_str(), times, 0), 0);
    std::tm local{};
    localtime_r(&known, &local);
    const auto files = ToolPackage::GetFilenamelistOfPath(dir.string(), false);
    ASSERT_EQ(files.size(), 3u);  // hidden entries are skipped, folders are not files
    for (const auto& f : files) {
        if (f.fileName == "notes.txt") {
            EXPECT_EQ(f.modifyTime, (static_cast<double>(known) + local.tm_gmtoff) * 1000.0);
        }
    }
    auto folders = ToolPackage::GetFilenamelistOfPath(dir.string(), true);
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].fileName, "folder");
    EXPECT_EQ(ToolPackage::FileSizeAtPath((dir / "notes.txt").string()), 6);
    EXPECT_EQ(ToolPackage::FileSizeAtPath((dir / "nope").string()), 0);
    EXPECT_FALSE(ToolPackage::FileExistAtPath((dir / "nope").string()));
}
