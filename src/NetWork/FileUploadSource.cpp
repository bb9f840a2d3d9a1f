#include "NetWork/UploadSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace pd {

namespace {

class FileUploadSource : public UploadSource {
  public:
    FileUploadSource(int fd, std::uint64_t size, std::string name)
        : fd_(fd), size_(size), name_(std::move(name)) {}
    ~FileUploadSource() override { ::close(fd_); }
    FileUploadSource(const FileUploadSource&) = delete;
    FileUploadSource& operator=(const FileUploadSource&) = delete;

    const std::string& name() const override { return name_; }
    std::uint64_t size() const override { return size_; }
    std::optional<std::size_t> read(std::uint64_t offset, std::span<char> buffer) override {
        for (;;) {
            const ssize_t n =
                ::pread(fd_, buffer.data(), buffer.size(), static_cast<off_t>(offset));
            if (n >= 0) {
                return static_cast<std::size_t>(n);
            }
            if (errno != EINTR) {
                return std::nullopt;
            }
        }
    }

  private:
    int fd_;
    std::uint64_t size_;
    std::string name_;
};

}  // namespace

std::shared_ptr<UploadSource> openFileUploadSource(const std::string& path, std::string name) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    if (name.empty()) {
        name = std::filesystem::path(path).filename().string();
    }
    return std::make_shared<FileUploadSource>(fd, static_cast<std::uint64_t>(st.st_size),
                                              std::move(name));
}

}  // namespace pd
