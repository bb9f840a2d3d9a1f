#pragma once
// Whether a file holds a picture, decided by its content (the image header), not its name.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

namespace pd {

// True when the open file starts with a JPEG, PNG, GIF or BMP header that gives a size. Reads
// the header only; the file position is restored.
bool isPictureFile(std::FILE* file);

struct PictureSize {
    int width = 0;
    int height = 0;

    bool operator==(const PictureSize&) const = default;
};

// The largest side a picture from the outside may have; a bigger one is refused before its
// pixels are decoded (a few header bytes could otherwise ask for gigabytes).
inline constexpr int kMaxPictureSide = 16384;

// The picture's size if `bytes` decode as a whole picture no larger than `maxSide` on either
// side; the pixels are decoded to prove it and then dropped.
std::optional<PictureSize> decodablePicture(std::string_view bytes, int maxSide = kMaxPictureSide);
// The size that a picture file's header gives, if it names a picture within `maxSide`; the
// pixels are not decoded.
std::optional<PictureSize> pictureFileSize(const std::filesystem::path& path,
                                           int maxSide = kMaxPictureSide);

}  // namespace pd
