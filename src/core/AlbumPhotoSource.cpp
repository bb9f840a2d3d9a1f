#include "core/AlbumPhotoSource.h"

namespace pd {

namespace {

class AlbumPhotoSource : public UploadSource {
  public:
    AlbumPhotoSource(AssetRepresentation representation, std::uint64_t size)
        : representation_(std::move(representation)), size_(size) {}
    const std::string& name() const override { return representation_.filename(); }
    std::uint64_t size() const override { return size_; }
    std::optional<std::size_t> read(std::uint64_t offset, std::span<char> buffer) override {
        const AssetByteRead got = representation_.getBytes(
            std::span(reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size()), offset);
        if (got.error) {
            return std::nullopt;
        }
        return got.count;
    }

  private:
    AssetRepresentation representation_;
    std::uint64_t size_;
};

}  // namespace

std::shared_ptr<UploadSource> openAlbumPhotoSource(const Asset& photo) {
    AssetRepresentation representation = photo.defaultRepresentation();
    const auto size = representation.size();
    if (!size || *size == 0) {
        return nullptr;
    }
    return std::make_shared<AlbumPhotoSource>(std::move(representation), *size);
}

}  // namespace pd
