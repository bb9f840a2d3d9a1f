#pragma once
// Small pictures for the capture tests, made in memory.

#include <cstdint>
#include <string>

namespace pd::test::remote {

// A BMP of `width` x `height` black pixels; with `pixels` false only its header, which still
// names the size (a picture that claims to be big without being so).
inline std::string bmp(std::uint32_t width, std::uint32_t height, bool pixels = true) {
    const std::uint32_t row = (width * 3 + 3) / 4 * 4;
    const std::uint32_t data = pixels ? row * height : 0;
    std::string out;
    auto put = [&out](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
        }
    };
    out += "BM";
    put(54 + data, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(width, 4);
    put(height, 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(data, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    out.append(data, '\0');
    return out;
}

}  // namespace pd::test::remote
