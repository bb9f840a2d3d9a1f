#include "platform/AssetUrl.h"
#include "platform/PhotoLibrary.h"
#include "platform/SerialQueue.h"

#include "PhotoFiles.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::jpegBytes;
using test::localTime;
using test::pngBytes;
using test::setModificationTime;
using test::writeBytes;

struct Listed {
    std::string fileName;
    std::string url;
    AssetType type;
    std::size_t index;
    std::time_t date;
};

// A library folder of its own per test, inside a temporary home.
class PhotoLibraryFolder : public TempHome {
  protected:
    void SetUp() override { fs::create_directories(root); }

    std::vector<Listed> list(const AssetGroup& group) const {
        std::vector<Listed> out;
        PhotoLibrary(root).enumerateAssets(group, [&](const Asset& a, std::size_t index) {
            out.push_back({a.fileName(), a.url(), a.type(), index,
                           std::chrono::system_clock::to_time_t(a.date())});
        });
        return out;
    }

    static AssetGroup cameraRoll() { return {PhotoLibrary::kCameraRollName, "", true}; }

    const fs::path root = home() / "Pictures";
};

// The camera roll is the folder itself, albums are its real subfolders; an album's link to a
// camera-roll file is that asset; content, not the name, makes a photo.
TEST_F(PhotoLibraryFolder, GroupsAndAssetsFollowTheFolderLayout) {
    const fs::path outside = home() / "outside.jpg";
    writeBytes(outside, jpegBytes());
    writeBytes(root / "IMG_0001.JPG", jpegBytes());
    writeBytes(root / "notes.jpg", "not a picture at all");
    writeBytes(root / "disguised.txt", pngBytes());
    writeBytes(root / "truncated.png", pngBytes().substr(0, 12));
    writeBytes(root / ".hidden.jpg", jpegBytes());
    fs::create_directories(root / "Holiday" / "nested");
    fs::create_directories(root / ".trash");
    writeBytes(root / "Holiday" / "beach.jpg", jpegBytes());
    writeBytes(root / "Holiday" / "nested" / "deep.jpg", jpegBytes());
    fs::create_symlink("../IMG_0001.JPG", root / "Holiday" / "IMG_0001.JPG");
    fs::create_symlink(outside, root / "Holiday" / "outside.jpg");
    fs::create_symlink("missing.jpg", root / "Holiday" / "broken.jpg");
    fs::create_symlink("nested/deep.jpg", root / "Holiday" / "deep-link.jpg");
    fs::create_symlink(root / "Holiday", root / "linked-album");

    const PhotoLibrary library(root);
    const auto groups = library.groups();
    ASSERT_EQ(groups, (std::vector<AssetGroup>{cameraRoll(), {"Holiday", "Holiday", false}}));

    std::map<std::string, std::pair<std::string, AssetType>> roll;
    for (const auto& a : list(groups[0])) {
        roll[a.fileName] = {a.url, a.type};
    }
    EXPECT_EQ(
        roll,
        (std::map<std::string, std::pair<std::string, AssetType>>{
            {"IMG_0001.JPG", {"assets-library://asset/IMG_0001.JPG?ext=JPG", AssetType::Photo}},
            {"disguised.txt", {"assets-library://asset/disguised.txt?ext=TXT", AssetType::Photo}},
            {"notes.jpg", {"assets-library://asset/notes.jpg?ext=JPG", AssetType::Other}},
            {"truncated.png", {"assets-library://asset/truncated.png?ext=PNG", AssetType::Other}},
        }));

    std::map<std::string, std::string> album;
    for (const auto& a : list(groups[1])) {
        album[a.fileName] = a.url;
    }
    EXPECT_EQ(album, (std::map<std::string, std::string>{
                         {"IMG_0001.JPG", roll["IMG_0001.JPG"].first},
                         {"beach.jpg", "assets-library://asset/Holiday%2Fbeach.jpg?ext=JPG"},
                     }));

    // Not groups of this library: nothing to enumerate, nothing read outside it.
    EXPECT_TRUE(list({"x", "../" + home().filename().string(), false}).empty());
    EXPECT_TRUE(list({"x", ".trash", false}).empty());
    EXPECT_TRUE(PhotoLibrary(home() / "no-such-folder").groups().empty());
}

TEST_F(PhotoLibraryFolder, AssetsComeNewestFirstByExifDateElseModificationTime) {
    struct File {
        const char* name;
        std::string bytes;
        std::time_t mtime;
    };
    const std::time_t now = std::time(nullptr);
    const File files[] = {
        {"original.jpg", jpegBytes("2022:01:01 00:00:00", "2018:03:04 05:06:07"), now},
        {"datetime.jpg", jpegBytes("2019:12:31 23:59:59"), now},
        {"plain.jpg", jpegBytes(), localTime(2020, 6, 1, 12, 0, 0)},
        {"image.png", pngBytes(), localTime(2021, 2, 3, 4, 5, 6)},
        {"text.jpg", "no picture, no EXIF", localTime(2017, 1, 1, 0, 0, 0)},
    };
    for (const auto& f : files) {
        writeBytes(root / f.name, f.bytes);
        setModificationTime(root / f.name, f.mtime);
    }
    const auto listed = list(cameraRoll());
    const std::vector<std::pair<std::string, std::time_t>> expected = {
        {"image.png", localTime(2021, 2, 3, 4, 5, 6)},
        {"plain.jpg", localTime(2020, 6, 1, 12, 0, 0)},
        {"datetime.jpg", localTime(2019, 12, 31, 23, 59, 59)},
        {"original.jpg", localTime(2018, 3, 4, 5, 6, 7)},
        {"text.jpg", localTime(2017, 1, 1, 0, 0, 0)},
    };
    ASSERT_EQ(listed.size(), expected.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].fileName, expected[i].first);
        EXPECT_EQ(listed[i].date, expected[i].second) << listed[i].fileName;
        EXPECT_EQ(listed[i].index, listed.size() - 1 - i) << "the oldest has index 0";
    }
}

TEST_F(PhotoLibraryFolder, UrlsStayTheSameAcrossRunsAndWhenTheLibraryMoves) {
    writeBytes(root / "IMG 1 été.JPG", jpegBytes());
    fs::create_directories(root / "Trip");
    writeBytes(root / "Trip" / "b.png", pngBytes());
    const auto urls = [](const fs::path& folder) {
        std::vector<std::string> out;
        const PhotoLibrary library(folder);
        for (const auto& group : library.groups()) {
            library.enumerateAssets(group,
                                    [&](const Asset& a, std::size_t) { out.push_back(a.url()); });
        }
        return out;
    };
    const auto first = urls(root);
    ASSERT_EQ(first, (std::vector<std::string>{
                         "assets-library://asset/IMG%201%20%C3%A9t%C3%A9.JPG?ext=JPG",
                         "assets-library://asset/Trip%2Fb.png?ext=PNG"}));
    EXPECT_EQ(urls(root), first);
    fs::rename(root, home() / "Moved");
    EXPECT_EQ(urls(home() / "Moved"), first);
    // A link to the library folder is the same library.
    fs::create_symlink(home() / "Moved", home() / "Link");
    EXPECT_EQ(urls(home() / "Link"), first);
}

TEST(AssetUrl, OnlyPlainPathsOfOneOrTwoComponentsAreAssetUrls) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"assets-library://asset/IMG_1.JPG?ext=JPG", "IMG_1.JPG"},
        {"assets-library://asset/Trip%2Fa%20b.jpg?ext=JPG", "Trip/a b.jpg"},
        {"assets-library://asset/raw%FF.jpg", "raw\xFF.jpg"},  // names need not be UTF-8
        {"assets-library://asset/..%2Fsecret.jpg?ext=JPG", std::nullopt},
        {"assets-library://asset/%2Fetc%2Fpasswd", std::nullopt},
        {"assets-library://asset/a%2Fb%2Fc.jpg", std::nullopt},
        {"assets-library://asset/.hidden.jpg", std::nullopt},
        {"assets-library://asset/bad%2", std::nullopt},
        {"file:///etc/passwd", std::nullopt},
    };
    for (const auto& [url, expected] : cases) {
        EXPECT_EQ(AssetUrl::relativePath(url), expected) << url;
    }
}

enum class Outcome { Found, NotFound, Failed };

struct Lookup {
    Outcome outcome = Outcome::Failed;
    std::string fileName;
    bool bOnLibraryQueue = false;
};

Lookup lookUp(const fs::path& root, const std::string& url) {
    auto promise = std::make_shared<std::promise<Lookup>>();
    auto future = promise->get_future();
    // The library object is gone before the answer comes; the answer still comes.
    PhotoLibrary(root).assetForURL(
        url,
        [promise](std::optional<Asset> asset) {
            promise->set_value({asset ? Outcome::Found : Outcome::NotFound,
                                asset ? asset->fileName() : "", PhotoLibrary::queue().isCurrent()});
        },
        [promise](std::error_code) {
            promise->set_value({Outcome::Failed, "", PhotoLibrary::queue().isCurrent()});
        });
    if (future.wait_for(30s) != std::future_status::ready) {
        ADD_FAILURE() << "no answer for " << url;
        return {};
    }
    return future.get();
}

TEST_F(PhotoLibraryFolder, LookupsAnswerOnceOnTheLibraryQueue) {
    writeBytes(root / "IMG_0001.JPG", jpegBytes());
    writeBytes(home() / "outside.jpg", jpegBytes());
    fs::create_directories(root / "Album");
    fs::create_symlink("../IMG_0001.JPG", root / "Album" / "link.jpg");
    fs::create_symlink(home() / "outside.jpg", root / "escape.jpg");
    const std::tuple<fs::path, std::string, Outcome, std::string> cases[] = {
        {root, "assets-library://asset/IMG_0001.JPG?ext=JPG", Outcome::Found, "IMG_0001.JPG"},
        {root, "assets-library://asset/IMG_0001.JPG", Outcome::Found, "IMG_0001.JPG"},
        {root, "assets-library://asset/unknown.jpg?ext=JPG", Outcome::NotFound, ""},
        // Paths through links are not assets: their targets are, under their own URLs.
        {root, "assets-library://asset/Album%2Flink.jpg?ext=JPG", Outcome::NotFound, ""},
        {root, "assets-library://asset/escape.jpg?ext=JPG", Outcome::NotFound, ""},
        {root, "assets-library://asset/..%2Foutside.jpg?ext=JPG", Outcome::Failed, ""},
        {root, "not a url", Outcome::Failed, ""},
        {home() / "missing", "assets-library://asset/IMG_0001.JPG?ext=JPG", Outcome::Failed, ""},
    };
    for (const auto& [folder, url, outcome, name] : cases) {
        const Lookup got = lookUp(folder, url);
        EXPECT_EQ(got.outcome, outcome) << url;
        EXPECT_EQ(got.fileName, name) << url;
        EXPECT_TRUE(got.bOnLibraryQueue) << url;
    }
}

TEST(PhotoLibrary, DefaultFolderIsTheSetOneElsePicturesDirElsePicturesAtHome) {
    const char* home = std::getenv("HOME");
    const std::string oldHome = home != nullptr ? home : "";
    ::setenv("HOME", "/home/someone", 1);
    const std::tuple<std::optional<fs::path>, const char*, fs::path> cases[] = {
        {"/set/here", "/xdg/pictures", "/set/here"},
        {std::nullopt, "/xdg/pictures", "/xdg/pictures"},
        {std::nullopt, "relative/is/ignored", "/home/someone/Pictures"},
        {std::nullopt, nullptr, "/home/someone/Pictures"},
    };
    for (const auto& [set, xdg, expected] : cases) {
        PhotoLibrary::setDefaultRoot(set);
        xdg != nullptr ? ::setenv("XDG_PICTURES_DIR", xdg, 1) : ::unsetenv("XDG_PICTURES_DIR");
        EXPECT_EQ(PhotoLibrary().root(), expected);
    }
    PhotoLibrary::setDefaultRoot(std::nullopt);
    ::setenv("HOME", oldHome.c_str(), 1);
}

}  // namespace
}  // namespace pd
