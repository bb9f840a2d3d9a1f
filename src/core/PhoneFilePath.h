#pragma once
// What a path in a computer's phone-file command names. The computer sees two virtual folders
// at the root: the photo album and the documents (the user-data folder). A documents path is
// taken apart here into plain components, so nothing below ever sees ".", "..", an absolute
// remainder or a NUL byte.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pd {

namespace phonefiles {
inline constexpr std::string_view kAlbumName = "我的相册";
inline constexpr std::string_view kDocumentsName = "我的文档";
}  // namespace phonefiles

struct PhoneFilePath {
    enum class Kind {
        Root,          // "/"
        Album,         // "/我的相册"
        DocumentsTop,  // "/我的文档": the user-data folder as the root shows it
        AlbumPhoto,    // "/我的相册/NAME"
        Documents,     // "/我的文档/REL": REL split into components (none: the folder itself)
        OtherThreeParts,  // "/FOLDER/NAME" with another folder
        Invalid,          // anything else, and every refused documents path
    };
    Kind kind = Kind::Invalid;
    std::string photoName;                // AlbumPhoto
    std::vector<std::string> components;  // Documents
};

// The path's parts as the computer counts them: "/" first, then each non-empty component.
std::vector<std::string_view> pathComponents(std::string_view path);

PhoneFilePath classifyPhoneFilePath(std::string_view argument);

// True when the first component after "/" is the album (where deletions are refused).
bool namesAlbum(std::string_view argument);

}  // namespace pd
