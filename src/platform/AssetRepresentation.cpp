#include "platform/AssetRepresentation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

namespace pd {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

}  // namespace

AssetRepresentation::AssetRepresentation(std::string url, std::string filename,
                                         std::filesystem::path file)
    : url_(std::move(url)), filename_(std::move(filename)), file_(std::move(file)) {
    struct stat st {};
    if (::lstat(file_.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(file_.c_str(), R_OK) == 0) {
        size_ = static_cast<std::uint64_t>(st.st_size);
    }
}

AssetByteRead AssetRepresentation::getBytes(std::span<std::uint8_t> buffer,
                                            std::uint64_t offset) const {
    AssetByteRead result;
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        return result;  // past any end
    }
    // Non-blocking: a FIFO put in the file's place must not hang the reader.
    const int fd = ::open(file_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        result.error = lastError();
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = std::make_error_code(std::errc::not_supported);
        ::close(fd);
        return result;
    }
    while (result.count < buffer.size()) {
        const ssize_t n = ::pread(fd, buffer.data() + result.count, buffer.size() - result.count,
                                  static_cast<off_t>(offset + result.count));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result.error = lastError();
            break;
        }
        if (n == 0) {
            break;  // end of file
        }
        result.count += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return result;
}

}  // namespace pd
