#include "platform/AtomicFile.h"

#include "platform/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <system_error>

namespace pd {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Unique within the process and across processes writing the same folder.
std::filesystem::path temporarySibling(const std::filesystem::path& file) {
    static std::atomic<unsigned> counter{0};
    return file.parent_path() / (file.filename().string() + ".tmp-" + std::to_string(::getpid()) +
                                 "-" + std::to_string(counter.fetch_add(1)));
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& file, std::string_view bytes, mode_t mode) {
    const std::filesystem::path temporary = temporarySibling(file);
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) {
        PD_LOG_WARN("cannot create {}: {}", temporary.string(), std::strerror(errno));
        return false;
    }
    // The umask may only narrow the mode; fchmod makes it exact so a wider umask cannot widen it.
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temporary.c_str(), file.c_str()) == 0) {
        if (!syncFolder(file.parent_path().empty() ? "." : file.parent_path())) {
            PD_LOG_WARN("cannot flush the folder of {}", file.string());
        }
        return true;
    }
    PD_LOG_WARN("cannot write {}: {}", file.string(), std::strerror(ok ? errno : savedErrno));
    ::unlink(temporary.c_str());
    return false;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::size_t maxBytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[8192];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > maxBytes) {
            return std::nullopt;
        }
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::filesystem::path> setFileAside(const std::filesystem::path& file) {
    const std::string base = file.string() + ".damaged-" + std::to_string(std::time(nullptr));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path aside =
            attempt == 0 ? std::filesystem::path(base)
                         : std::filesystem::path(base + "-" + std::to_string(attempt));
        std::error_code ec;
        if (std::filesystem::exists(aside, ec)) {
            continue;
        }
        std::filesystem::rename(file, aside, ec);
        if (!ec) {
            return aside;
        }
        PD_LOG_ERROR("cannot move {} aside: {}", file.string(), ec.message());
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace pd
