#include "platform/ImageProbe.h"

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

}  // namespace pd
