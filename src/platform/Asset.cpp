#include "platform/Asset.h"

#include "platform/AssetUrl.h"
#include "platform/ExifDate.h"
#include "platform/ImageProbe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace pd {

namespace {

struct FileClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::optional<Asset> Asset::fromFile(const std::filesystem::path& file,
                                     const std::string& relativePath) {
    // Non-blocking and checked after opening: a FIFO or a swapped-in link is refused, not
    // waited on or followed.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::unique_ptr<std::FILE, FileClose> stream(::fdopen(fd, "rb"));
    if (!stream) {
        ::close(fd);
        return std::nullopt;
    }
    Asset asset;
    asset.type_ = isPictureFile(stream.get()) ? AssetType::Photo : AssetType::Other;
    std::optional<std::time_t> taken;
    if (asset.isPhoto()) {
        std::rewind(stream.get());
        taken = readExifDate(stream.get());
    }
    asset.date_ = std::chrono::system_clock::from_time_t(taken ? *taken : st.st_mtime);
    asset.url_ = AssetUrl::fromRelativePath(relativePath);
    asset.fileName_ = file.filename().string();
    asset.path_ = file;
    return asset;
}

AssetRepresentation Asset::defaultRepresentation() const {
    return AssetRepresentation(url_, fileName_, path_);
}

}  // namespace pd
