#pragma once
// The shared toolkit: file-type families of a name, colours from hexadecimal texts, MD5 texts,
// sizes and listings of the phone's own folders, and the application version text. Its one
// process-wide instance also keeps the album index that the computer's file commands use.

#include "platform/AlbumScan.h"
#include "platform/FileObject.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
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

    // The process-wide instance; created once thread-safely and never destroyed.
    static ToolPackage& shareInstance();

    static constexpr std::chrono::seconds kAlbumScanLimit{10};

    // Scans the photo library (PhotoLibrary's default folder) for the album index and calls
    // `completion` exactly once, on a background thread, when the scan has ended or `limit` has
    // passed. The scan's index replaces assetsDic() just before; a scan that started earlier
    // than the one whose index is in place does not replace it. Until then the previous index
    // stays readable. The toolkit must outlive its scans (the process-wide one does).
    void loadAssets(std::function<void()> completion,
                    std::chrono::milliseconds limit = kAlbumScanLimit);
    // A copy of the album index, taken under its lock.
    AlbumIndex assetsDic() const;

  private:
    mutable std::mutex assetsMutex_;
    AlbumIndex assetsDic_;
    std::uint64_t startedScans_ = 0;
    std::uint64_t installedScan_ = 0;
};

}  // namespace pd
