#include "platform/ImageProbe.h"

#include <cstdint>

// A private copy of the decoder, limited to the formats a camera roll holds: formats without a
// signature (TGA) would take many a non-picture for a picture.
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#define STB_IMAGE_IMPLEMENTATION
// The decoder's own code trips gcc's optimiser-dependent uninitialised-use check.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <stb_image.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace pd {

namespace {

bool withinBounds(int width, int height, int maxSide) {
    return width > 0 && height > 0 && width <= maxSide && height <= maxSide;
}

}  // namespace

bool isPictureFile(std::FILE* file) {
    const long start = std::ftell(file);
    int width = 0;
    int height = 0;
    int components = 0;
    const bool ok = stbi_info_from_file(file, &width, &height, &components) == 1;
    if (start >= 0) {
        std::fseek(file, start, SEEK_SET);
    }
    return ok && width > 0 && height > 0;
}

std::optional<PictureSize> decodablePicture(std::string_view bytes, int maxSide) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        return std::nullopt;
    }
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    const int length = static_cast<int>(bytes.size());
    int width = 0;
    int height = 0;
    int components = 0;
    if (stbi_info_from_memory(data, length, &width, &height, &components) != 1 ||
        !withinBounds(width, height, maxSide)) {
        return std::nullopt;
    }
    stbi_uc* pixels = stbi_load_from_memory(data, length, &width, &height, &components, 0);
    if (pixels == nullptr) {
        return std::nullopt;
    }
    stbi_image_free(pixels);
    return PictureSize{width, height};
}

std::optional<PictureSize> pictureFileSize(const std::filesystem::path& path, int maxSide) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    int width = 0;
    int height = 0;
    int components = 0;
    const bool ok = stbi_info_from_file(file, &width, &height, &components) == 1;
    std::fclose(file);
    if (!ok || !withinBounds(width, height, maxSide)) {
        return std::nullopt;
    }
    return PictureSize{width, height};
}

}  // namespace pd
