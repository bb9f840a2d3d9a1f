#pragma once
// The shared toolkit: file-type families of a name, colours from hexadecimal texts, MD5 texts,
// sizes and listings of the phone's own folders, and the application version text.

#include "platform/FileObject.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pd {

struct Color {
    double red = 0, green = 0, blue = 0, alpha = 1;
    bool operator==(const Color&) const = default;
};

// An RGBA image, 8 bits per channel, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

class ToolPackage {
  public:
    // Size of the main screen in points, used for full-screen images.
    static constexpr int kScreenWidth = 375;
    static constexpr int kScreenHeight = 667;

    // Lower-cased extension of the last path component ("" when there is none).
    static std::string extensionOf(std::string_view nameOrPath);
    // Family name as used in icon names: "text", "pdf", ..., "unkown".
    static std::string familyOf(std::string_view nameOrPath);

    static bool FileExtImg(std::string_view nameOrPath);
    // "format_<family>.png", or "format_<family>_l.png" for the large icon.
    static std::string FileExtImg(std::string_view nameOrPath, bool bBig);
    static Color colorFromHexRGB(std::optional<std::string_view> hex);
    static std::string Get32bitMD5(std::string_view text);

    static bool FileExistAtPath(const std::string& path);
    static std::int64_t FileSizeAtPath(const std::string& path);
    static std::uint64_t FolderSizeAtPath(const char* folderPath);
    static std::vector<std::string> GetFilenamelistOfType(std::string_view ext,
                                                          const std::string& dirPath);
    static std::vector<FileObject> GetFilenamelistOfPath(const std::string& dirPath, bool bListDir);

    // The version text, computed once from the build's bundle version.
    static const std::string& GetAppVersion();
    // "2.1" -> "2.0.1": ".0" goes after the first character; an empty version stays empty.
    static std::string versionFromBundleVersion(std::string_view bundleVersion);

    static Image imageWithColor(const Color& color);
};

}  // namespace pd
