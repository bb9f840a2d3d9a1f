#include "NetWork/DownloadPaths.h"

#include "platform/SandboxHelper.h"

#include <zlib.h>

#include <cstdio>

namespace pd {

std::string computerFolderOf(std::string_view computerPath) {
    std::string path(computerPath);
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string safeFileName(std::string_view computerPath) {
    const auto sep = computerPath.find_last_of("/\\");
    std::string name(sep == std::string_view::npos ? computerPath : computerPath.substr(sep + 1));
    for (char& c : name) {
        if (c == '\0')
            c = '_';
    }
    if (name.empty() || name == "." || name == "..") {
        return "download";
    }
    return name;
}

bool usableFileName(std::string_view computerPath) {
    const auto sep = computerPath.find_last_of("/\\");
    const std::string_view name =
        sep == std::string_view::npos ? computerPath : computerPath.substr(sep + 1);
    return !name.empty() && name != "." && name != "..";
}

std::string folderKey(std::string_view computerFolder) {
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(computerFolder.data()),
                            static_cast<uInt>(computerFolder.size()));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%lx", static_cast<unsigned long>(crc));
    return buf;
}

std::optional<KeptDownloadPaths> keptDownloadPaths(std::string_view computerPath,
                                                   std::string_view computerTag) {
    if (!usableFileName(computerPath)) {
        return std::nullopt;
    }
    const std::string name = safeFileName(computerPath);
    std::string key = folderKey(computerFolderOf(computerPath));
    if (!computerTag.empty()) {
        key += "-" + folderKey(computerTag);
    }
    KeptDownloadPaths p;
    p.folder = SandboxHelper::docPathEx() + "/DownFiles/" + key;
    p.destination = p.folder + "/" + name;
    p.temporary = p.folder + "/" + kTemporaryArea + "/" + name;
    return p;
}

std::string previewCacheFolder() {
    return SandboxHelper::tmpPath() + "/Cache";
}

std::string previewPath(std::string_view computerPath, std::string_view computerTag,
                        std::uint64_t size, std::uint64_t modifyTime) {
    std::string identity(computerTag);
    identity.append("\n").append(computerPath).append("\n").append(std::to_string(size));
    identity.append("\n").append(std::to_string(modifyTime));
    return previewCacheFolder() + "/" + folderKey(identity) + "/" + safeFileName(computerPath);
}

}  // namespace pd
