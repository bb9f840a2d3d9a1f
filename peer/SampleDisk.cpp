#include "SampleDisk.h"

#include <fstream>
#include <string>

namespace pd::peer {

namespace {

bool writeFile(const std::filesystem::path& path, std::size_t size, char seed) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary);
    std::string block(4096, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(seed + (i * 7) % 61);
    }
    std::size_t left = size;
    while (left > 0 && out) {
        const std::size_t n = std::min(left, block.size());
        out.write(block.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
    return static_cast<bool>(out);
}

}  // namespace

bool writeSampleDisk(const std::filesystem::path& root) {
    bool ok = true;
    ok &= writeFile(root / "C" / "Users" / "Demo" / "Documents" / "report.docx", 24'576, 'a');
    ok &= writeFile(root / "C" / "Users" / "Demo" / "Documents" / "notes.txt", 1'200, 'b');
    ok &= writeFile(root / "C" / "Users" / "Demo" / "Documents" / "budget.xlsx", 18'000, 'c');
    ok &= writeFile(root / "C" / "Users" / "Demo" / "Pictures" / "holiday.jpg", 350'000, 'd');
    ok &= writeFile(root / "C" / "Users" / "Demo" / "Pictures" / "cat.png", 120'000, 'e');
    ok &= writeFile(root / "C" / "Windows" / "system.ini", 512, 'f');
    ok &= writeFile(root / "D" / "Music" / "song.mp3", 2'500'000, 'g');
    ok &= writeFile(root / "D" / "Music" / "Live" / "concert.ogg", 900'000, 'h');
    ok &= writeFile(root / "D" / "Videos" / "clip.mp4", 4'000'000, 'i');
    ok &= writeFile(root / "D" / "Archive" / "backup.zip", 1'000'000, 'j');
    ok &= writeFile(root / "Desktop" / "slides.pptx", 64'000, 'k');
    ok &= writeFile(root / "Desktop" / "readme.pdf", 40'000, 'l');
    std::error_code ec;
    std::filesystem::create_directories(root / "D" / "Empty", ec);
    return ok;
}

}  // namespace pd::peer
