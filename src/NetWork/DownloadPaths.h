#pragma once
// Where downloads of computer files land on the phone.
//
// A kept download of C:/x/y/name goes to <user data>/DownFiles/<key>/name, with key the
// CRC-32 of the computer-side folder ("C:/x/y") in lower-case hexadecimal, and is written first
// to <user data>/DownFiles/<key>/temp/name. A preview goes to <tmp>/Cache/name.
//
// The name comes from the computer, so it is made safe before use: no separators, never "." or
// "..", never empty; a hostile path cannot reach outside DownFiles or the cache.

#include <string>
#include <string_view>

namespace pd {

struct KeptDownloadPaths {
    std::string folder;       // DownFiles/<key>
    std::string destination;  // DownFiles/<key>/<name>
    std::string temporary;    // DownFiles/<key>/temp/<name>
};

// The last path component of a computer-side path ("/" or "\" separated), made safe.
std::string safeFileName(std::string_view computerPath);
// The computer-side folder of a path: everything before the last separator, "/" separated.
std::string computerFolderOf(std::string_view computerPath);
// CRC-32 (zlib) of the folder's bytes as lower-case hexadecimal without leading zeros.
std::string folderKey(std::string_view computerFolder);

KeptDownloadPaths keptDownloadPaths(std::string_view computerPath);
std::string previewPath(std::string_view computerPath);
std::string previewCacheFolder();

}  // namespace pd
