#include "CaptureImage.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_WRITE_STATIC  // private copy: never clashes with another user of the header
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace pd::peer {

namespace {

// 3x5 glyphs for the digits and the colon, one row per entry, bit 2 = left column.
constexpr std::array<std::array<std::uint8_t, 5>, 11> kGlyphs{{
    {7, 5, 5, 5, 7},  // 0
    {2, 6, 2, 2, 7},  // 1
    {7, 1, 7, 4, 7},  // 2
    {7, 1, 7, 1, 7},  // 3
    {5, 5, 7, 1, 1},  // 4
    {7, 4, 7, 1, 7},  // 5
    {7, 4, 7, 5, 7},  // 6
    {7, 1, 1, 1, 1},  // 7
    {7, 5, 7, 5, 7},  // 8
    {7, 5, 7, 1, 7},  // 9
    {0, 2, 0, 2, 0},  // :
}};
constexpr int kScale = 6;
constexpr int kAdvance = 4 * kScale;

class Canvas {
  public:
    Canvas(int w, int h) : w_(w), h_(h), rgb_(static_cast<std::size_t>(w * h * 3)) {}

    void gradient(int shift) {
        for (int y = 0; y < h_; ++y) {
            for (int x = 0; x < w_; ++x) {
                set(x, y, static_cast<std::uint8_t>((x + shift) * 255 / (w_ + 255) % 256),
                    static_cast<std::uint8_t>(y * 255 / h_),
                    static_cast<std::uint8_t>(255 - ((x + y + shift) % 256)));
            }
        }
    }

    void glyph(int index, int left, int top) {
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 3; ++col) {
                if ((kGlyphs[static_cast<std::size_t>(index)][static_cast<std::size_t>(row)] >>
                     (2 - col)) &
                    1) {
                    fill(left + col * kScale, top + row * kScale, kScale, kScale);
                }
            }
        }
    }

    const std::uint8_t* data() const { return rgb_.data(); }

  private:
    void set(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) {
            return;
        }
        std::size_t i = static_cast<std::size_t>((y * w_ + x) * 3);
        rgb_[i] = r;
        rgb_[i + 1] = g;
        rgb_[i + 2] = b;
    }
    void fill(int left, int top, int w, int h) {
        for (int y = top; y < top + h; ++y) {
            for (int x = left; x < left + w; ++x) {
                set(x, y, 255, 255, 255);
            }
        }
    }

    int w_;
    int h_;
    std::vector<std::uint8_t> rgb_;
};

void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::string*>(context);
    out->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

}  // namespace

std::string CaptureImage::render(std::time_t now, int quality) {
    std::tm local{};
    localtime_r(&now, &local);
    const int digits[8] = {local.tm_hour / 10, local.tm_hour % 10, 10,
                           local.tm_min / 10,  local.tm_min % 10,  10,
                           local.tm_sec / 10,  local.tm_sec % 10};

    Canvas canvas(kWidth, kHeight);
    canvas.gradient(static_cast<int>(now % 256));
    int left = (kWidth - 8 * kAdvance) / 2;
    int top = (kHeight - 5 * kScale) / 2;
    for (int i = 0; i < 8; ++i) {
        canvas.glyph(digits[i], left + i * kAdvance, top);
    }

    std::string jpeg;
    if (stbi_write_jpg_to_func(appendBytes, &jpeg, kWidth, kHeight, 3, canvas.data(), quality) ==
        0) {
        return {};
    }
    return jpeg;
}

std::optional<std::string> CaptureImage::readFile(const std::filesystem::path& file) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxFileBytes) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(size)) || in.peek() != EOF) {
        return std::nullopt;  // changed while read
    }
    return bytes;
}

}  // namespace pd::peer
