#include "core/DiskRoom.h"

#include <sys/statvfs.h>

namespace pd {

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<std::uint64_t> writableBytes(const std::string& path) {
    struct statvfs fs {};
    if (::statvfs(folderOf(path).c_str(), &fs) != 0) {
        return std::nullopt;
    }
    const std::uint64_t free = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
    return free > kFreeSpaceMargin ? free - kFreeSpaceMargin : 0;
}

std::string roomProblem(const std::string& path, std::uint64_t needed) {
    const auto writable = writableBytes(path);
    if (!writable || needed <= *writable) {
        return {};  // a file system that cannot say is left to report a full disk itself
    }
    return "not enough free space for " + path + ": " + std::to_string(needed) + " bytes needed, " +
           std::to_string(*writable) + " available beyond the " + std::to_string(kFreeSpaceMargin) +
           " bytes kept free";
}

}  // namespace pd
