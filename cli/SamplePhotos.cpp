#include "SamplePhotos.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdio>
#include <string>
#include <vector>

namespace pd::cli {

bool writeSamplePhotos(const std::filesystem::path& folder, int count) {
    constexpr int kWidth = 160;
    constexpr int kHeight = 120;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::vector<unsigned char> rgb(kWidth * kHeight * 3);
    for (int n = 1; n <= count; ++n) {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                unsigned char* p = &rgb[static_cast<std::size_t>((y * kWidth + x) * 3)];
                p[0] = static_cast<unsigned char>(x * 255 / kWidth);
                p[1] = static_cast<unsigned char>(y * 255 / kHeight);
                p[2] = static_cast<unsigned char>(n * 70);
            }
        }
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.JPG", n);
        if (!stbi_write_jpg((folder / name).c_str(), kWidth, kHeight, 3, rgb.data(), 85)) {
            return false;
        }
    }
    return true;
}

}  // namespace pd::cli
