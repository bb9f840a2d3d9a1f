// Paths in the computer's phone-file commands: whatever the bytes, a documents path comes out
// as plain components (never empty, ".", "..", or holding "/" or NUL), and an album name as
// one component.
#include "core/PhoneFilePath.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view argument(reinterpret_cast<const char*>(data), size);
    const pd::PhoneFilePath path = pd::classifyPhoneFilePath(argument);
    for (const auto& part : path.components) {
        if (part.empty() || part == "." || part == ".." ||
            part.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
            __builtin_trap();
        }
    }
    if (path.kind == pd::PhoneFilePath::Kind::AlbumPhoto &&
        (path.photoName.empty() ||
         path.photoName.find_first_of(std::string_view("/\0", 2)) != std::string::npos)) {
        __builtin_trap();
    }
    (void)pd::namesAlbum(argument);
    (void)pd::pathComponents(argument);
    return 0;
}
