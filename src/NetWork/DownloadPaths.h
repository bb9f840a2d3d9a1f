#pragma once
// Where downloads of computer files land on the phone.
//
// A kept download of C:/x/y/name goes to <user data>/DownFiles/<key>/name, with key the
// CRC-32 of the computer-side folder ("C:/x/y") in lower-case hexadecimal followed, when the
// computer is known, by "-" and the CRC-32 of its device tag, so that the same path on two
// computers never lands in one file. It is written first to <key>/\temp/name: a name no file
// from the computer can take, since a name never holds a separator. A preview goes to
// <tmp>/Cache/name.
//
// The name comes from the computer, so it is made safe before use: no separators, never "." or
// "..", never empty; a hostile path cannot reach outside DownFiles or the cache. A name that is
// empty, "." or ".." is not a file to keep: keptDownloadPaths refuses it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pd {

// The temporary area of a key folder.
inline constexpr const char* kTemporaryArea = "\\temp";

struct KeptDownloadPaths {
    std::string folder;       // DownFiles/<key>
    std::string destination;  // DownFiles/<key>/<name>
    std::string temporary;    // DownFiles/<key>/\temp/<name>
};

// The last path component of a computer-side path ("/" or "\" separated), made safe.
std::string safeFileName(std::string_view computerPath);
// False when the last component is empty, "." or "..": nothing to save under that name.
bool usableFileName(std::string_view computerPath);
// The computer-side folder of a path: everything before the last separator, "/" separated.
std::string computerFolderOf(std::string_view computerPath);
// CRC-32 (zlib) of the folder's bytes as lower-case hexadecimal without leading zeros.
std::string folderKey(std::string_view computerFolder);

// nullopt for a name that is not usable. `computerTag` is the computer's device tag.
std::optional<KeptDownloadPaths> keptDownloadPaths(std::string_view computerPath,
                                                   std::string_view computerTag = {});
// <tmp>/Cache/<key>/<name>, the key naming the computer, the path, and the size and time the
// listing gave: a preview kept there is of exactly that file, in this run or a later one.
std::string previewPath(std::string_view computerPath, std::string_view computerTag = {},
                        std::uint64_t size = 0, std::uint64_t modifyTime = 0);
std::string previewCacheFolder();

}  // namespace pd
