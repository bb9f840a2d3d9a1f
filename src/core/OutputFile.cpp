#include "core/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace pd {

OutputFile::~OutputFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void OutputFile::fail(std::string_view what) {
    error_ = std::string(what) + " " + path_ + ": " + std::strerror(errno);
}

bool OutputFile::openAt(const std::string& path, std::uint64_t offset) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    path_ = path;
    size_ = 0;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ < 0) {
        fail("cannot open");
        return false;
    }
    const auto off = static_cast<off_t>(offset);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        fail("cannot examine");
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    // Cut only when needed: on ext4 a truncation marks the file to be flushed at close, which
    // costs a large download its write-back in our thread.
    const bool cutFailed = st.st_size != off && ::ftruncate(fd_, off) != 0;
    if (cutFailed || ::lseek(fd_, off, SEEK_SET) != off) {
        fail("cannot prepare");
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    size_ = offset;
    return true;
}

bool OutputFile::write(std::string_view bytes) {
    if (fd_ < 0) {
        errno = EBADF;
        fail("cannot write");
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("cannot write");
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        size_ += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool OutputFile::close() {
    if (fd_ < 0) {
        return true;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        fail("cannot close");
        return false;
    }
    return true;
}

bool OutputFile::existingSize(const std::string& path, std::uint64_t& size) {
    size = 0;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISREG(st.st_mode)) {
        return false;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

}  // namespace pd
