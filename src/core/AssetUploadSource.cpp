#include "core/AssetUploadSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pd {

namespace {

class AssetUploadSource : public UploadSource {
  public:
    AssetUploadSource(AssetRepresentation representation, std::filesystem::path file,
                      std::uint64_t size)
        : representation_(std::move(representation)), file_(std::move(file)), size_(size) {}
    ~AssetUploadSource() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    AssetUploadSource(const AssetUploadSource&) = delete;
    AssetUploadSource& operator=(const AssetUploadSource&) = delete;

    const std::string& name() const override { return representation_.filename(); }
    std::uint64_t size() const override { return size_; }
    // Opened once, at the first read (on the sender's thread), as the representation opens
    // it: no link put in the file's place is followed, a FIFO is not waited on.
    std::optional<std::size_t> read(std::uint64_t offset, std::span<char> buffer) override {
        if (fd_ < 0 && !open()) {
            return std::nullopt;
        }
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
    bool open() {
        const int fd = ::open(file_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            if (fd >= 0) {
                ::close(fd);
            }
            return false;
        }
        fd_ = fd;
        return true;
    }

    AssetRepresentation representation_;
    std::filesystem::path file_;
    std::uint64_t size_;
    int fd_ = -1;
};

}  // namespace

std::shared_ptr<UploadSource> makeAssetUploadSource(const Asset& asset) {
    AssetRepresentation representation = asset.defaultRepresentation();
    const auto size = representation.size();
    if (!size) {
        return nullptr;
    }
    return std::make_shared<AssetUploadSource>(std::move(representation), asset.path(), *size);
}

}  // namespace pd
