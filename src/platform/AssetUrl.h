#pragma once
// Asset URLs of the photo library: "assets-library://asset/<id>?ext=<EXT>".
//
// The id is the asset file's path relative to the library folder ("IMG_0001.JPG" for the
// camera roll, "Holiday/IMG_0002.JPG" for an album's own file), percent-escaped. It is stable
// across runs and when the whole library folder moves, a link in an album names the id of the
// file it leads to (so both are one asset), and a lookup needs no index: the id is where the
// file is. The ext parameter is the upper-cased extension of the file name.

#include <optional>
#include <string>
#include <string_view>

namespace pd {

class AssetUrl {
  public:
    static constexpr std::string_view kPrefix = "assets-library://asset/";

    // `relativePath` uses "/" between its components.
    static std::string fromRelativePath(std::string_view relativePath);
    // The relative path named by an asset URL; nullopt when the text is not such a URL or its
    // path is not a plain relative path of one or two components (no "..", no hidden names).
    static std::optional<std::string> relativePath(std::string_view url);
    // One or two components, none of them empty, hidden, "." or "..": a camera-roll file or a
    // file of an album.
    static bool isLibraryPath(std::string_view relativePath);
};

}  // namespace pd
