#include "platform/PhotoLibrary.h"
#include "platform/SerialQueue.h"
#include "platform/ToolPackage.h"

#include "PhotoFiles.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <map>

namespace pd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The album index of a toolkit of its own, over a library folder of its own.
class AlbumScanLibrary : public TempHome {
  protected:
    void SetUp() override {
        fs::create_directories(root);
        PhotoLibrary::setDefaultRoot(root);
    }
    void TearDown() override { PhotoLibrary::setDefaultRoot(std::nullopt); }

    // file name -> library path of the indexed photo
    std::map<std::string, std::string> index() const {
        std::map<std::string, std::string> out;
        for (const auto& [name, asset] : tools.assetsDic()) {
            out[name] = fs::relative(asset.path(), fs::canonical(root)).string();
        }
        return out;
    }

    // Returns once every lookup posted so far has answered.
    static void drainLibraryQueue() {
        std::promise<void> done;
        PhotoLibrary::queue().async([&] { done.set_value(); });
        done.get_future().wait();
    }

    const fs::path root = home() / "Pictures";
    ToolPackage tools;
    std::atomic<int> completions{0};
};

TEST_F(AlbumScanLibrary, IndexesEachPhotoByFileNameAndCompletesOnce) {
    test::writeBytes(root / "IMG_A.JPG", test::jpegBytes("2019:01:01 00:00:00"));
    test::writeBytes(root / "IMG_B.PNG", test::pngBytes());
    test::writeBytes(root / "notes.jpg", "not a picture");
    fs::create_directories(root / "Trip");
    test::writeBytes(root / "Trip" / "IMG_A.JPG", test::jpegBytes("2023:01:01 00:00:00"));
    fs::create_symlink("../IMG_B.PNG", root / "Trip" / "IMG_B.PNG");
    fs::create_symlink("/etc/hostname", root / "Trip" / "hostname.jpg");

    tools.loadAssets([&] { ++completions; });
    ASSERT_TRUE(waitFor([&] { return completions == 1; }, 30s));
    // Of the two IMG_A.JPG the album's is found last; the album's link is the camera-roll file.
    EXPECT_EQ(index(), (std::map<std::string, std::string>{{"IMG_A.JPG", "Trip/IMG_A.JPG"},
                                                           {"IMG_B.PNG", "IMG_B.PNG"}}));
    drainLibraryQueue();
    EXPECT_EQ(completions, 1);

    // A library without photos, or without a folder, completes with an empty index.
    for (const fs::path& folder : {home() / "Empty", home() / "missing"}) {
        fs::create_directories(home() / "Empty");
        PhotoLibrary::setDefaultRoot(folder);
        completions = 0;
        tools.loadAssets([&] { ++completions; });
        ASSERT_TRUE(waitFor([&] { return completions == 1; }, 30s)) << folder;
        EXPECT_TRUE(tools.assetsDic().empty()) << folder;
    }
}

// Lookups held up on the library queue: the time limit ends the scan, and lookups answering
// afterwards neither complete it again nor change the index.
TEST_F(AlbumScanLibrary, TimeLimitCompletesOnceAndLateLookupsAreIgnored) {
    test::writeBytes(root / "IMG_A.JPG", test::jpegBytes());
    std::promise<void> release;
    PhotoLibrary::queue().async([gate = release.get_future().share()] { gate.wait(); });

    tools.loadAssets([&] { ++completions; }, 50ms);
    ASSERT_TRUE(waitFor([&] { return completions == 1; }, 30s));
    EXPECT_TRUE(tools.assetsDic().empty());
    release.set_value();
    drainLibraryQueue();
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(tools.assetsDic().empty());

    // An older scan ending after a newer one does not replace the newer one's index.
    std::atomic<int> older{0};
    release = std::promise<void>();
    PhotoLibrary::queue().async([gate = release.get_future().share()] { gate.wait(); });
    tools.loadAssets([&] { ++older; }, 60s);
    tools.loadAssets([&] { ++completions; }, 50ms);
    ASSERT_TRUE(waitFor([&] { return completions == 2; }, 30s));
    release.set_value();
    ASSERT_TRUE(waitFor([&] { return older == 1; }, 30s));
    drainLibraryQueue();
    EXPECT_EQ(completions, 2);
    EXPECT_TRUE(tools.assetsDic().empty());

    tools.loadAssets([&] { ++completions; });
    ASSERT_TRUE(waitFor([&] { return completions == 3; }, 30s));
    EXPECT_EQ(index(), (std::map<std::string, std::string>{{"IMG_A.JPG", "IMG_A.JPG"}}));
}

}  // namespace
}  // namespace pd
