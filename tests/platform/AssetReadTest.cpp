#include "platform/ExifDate.h"
#include "platform/PhotoLibrary.h"

#include "PhotoFiles.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace pd {
namespace {

namespace fs = std::filesystem;

// One photo in a library folder, read through its default representation.
class AssetRead : public TempHome {
  protected:
    void SetUp() override {
        fs::create_directories(root);
        bytes = test::jpegBytes("2020:01:02 03:04:05");
        test::writeBytes(root / "IMG.JPG", bytes);
    }

    Asset theAsset() const {
        std::optional<Asset> found;
        PhotoLibrary(root).enumerateAssets({PhotoLibrary::kCameraRollName, "", true},
                                           [&](const Asset& a, std::size_t) { found = a; });
        EXPECT_TRUE(found);
        return *found;
    }

    const fs::path root = home() / "Pictures";
    std::string bytes;
};

TEST_F(AssetRead, ByteRangesAreReadExactlyUpToTheEnd) {
    const AssetRepresentation rep = theAsset().defaultRepresentation();
    EXPECT_EQ(rep.url(), "assets-library://asset/IMG.JPG?ext=JPG");
    EXPECT_EQ(rep.filename(), "IMG.JPG");
    const std::uint64_t size = bytes.size();
    ASSERT_EQ(rep.size(), size);

    struct Case {
        std::uint64_t offset;
        std::size_t length;
        std::size_t expected;
    };
    const Case cases[] = {
        {0, 0, 0},
        {0, 16, 16},
        {0, size, size},
        {0, size + 100, size},
        {size - 1, 1, 1},
        {size - 5, 10, 5},
        {size, 10, 0},
        {size + 1000, 10, 0},
        {std::numeric_limits<std::uint64_t>::max(), 10, 0},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> buffer(c.length + 8, 0xEE);  // bytes past the ask stay
        const AssetByteRead got = rep.getBytes(std::span(buffer.data(), c.length), c.offset);
        EXPECT_FALSE(got.error) << c.offset;
        ASSERT_EQ(got.count, c.expected) << c.offset << "+" << c.length;
        EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + static_cast<long>(got.count)),
                  bytes.substr(got.count ? c.offset : 0, got.count));
        EXPECT_EQ(buffer[c.length], 0xEE);
    }
}

TEST_F(AssetRead, FilesThatVanishOrChangeAfterTheLookupGiveClearResults) {
    const Asset asset = theAsset();
    const AssetRepresentation rep = asset.defaultRepresentation();
    std::vector<std::uint8_t> buffer(64);

    // Replaced by a link to a file outside the library: not followed.
    test::writeBytes(home() / "secret", "secret");
    fs::remove(root / "IMG.JPG");
    fs::create_symlink(home() / "secret", root / "IMG.JPG");
    EXPECT_EQ(rep.getBytes(buffer, 0).count, 0u);
    EXPECT_TRUE(rep.getBytes(buffer, 0).error);
    EXPECT_FALSE(asset.defaultRepresentation().size());

    // Gone: no size, and a read says so.
    fs::remove(root / "IMG.JPG");
    EXPECT_FALSE(asset.defaultRepresentation().size()) << "size not available";
    const AssetByteRead gone = rep.getBytes(buffer, 0);
    EXPECT_EQ(gone.count, 0u);
    EXPECT_EQ(gone.error, std::errc::no_such_file_or_directory);

    // A FIFO in its place is neither waited on nor read.
    ASSERT_EQ(::mkfifo((root / "IMG.JPG").c_str(), 0600), 0);
    EXPECT_TRUE(rep.getBytes(buffer, 0).error);
    EXPECT_FALSE(asset.defaultRepresentation().size());
    bool bListed = false;
    PhotoLibrary(root).enumerateAssets({PhotoLibrary::kCameraRollName, "", true},
                                       [&](const Asset&, std::size_t) { bListed = true; });
    EXPECT_FALSE(bListed);
}

TEST(ExifDate, OnlyWellFormedDatesCount) {
    const std::pair<std::string, std::optional<std::time_t>> cases[] = {
        {"2020:01:02 03:04:05", test::localTime(2020, 1, 2, 3, 4, 5)},
        {std::string("2020:01:02 03:04:05\0", 20), test::localTime(2020, 1, 2, 3, 4, 5)},
        {"0000:00:00 00:00:00", std::nullopt},
        {"    :  :     :  :  ", std::nullopt},
        {"2020-01-02 03:04:05", std::nullopt},
        {"2020:13:02 03:04:05", std::nullopt},
        {"2020:01:02 03:04", std::nullopt},
        {"+020:01:02 03:04:05", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseExifDateTime(text), expected) << text;
    }
}

}  // namespace
}  // namespace pd
