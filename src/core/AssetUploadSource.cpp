#include "core/AssetUploadSource.h"

namespace pd {

namespace {

class AssetUploadSource : public UploadSource {
  public:
    AssetUploadSource(AssetRepresentation representation, std::uint64_t size)
        : representation_(std::move(representation)), size_(size) {}

    const std::string& name() const override { return representation_.filename(); }
    std::uint64_t size() const override { return size_; }
    std::optional<std::size_t> read(std::uint64_t offset, std::span<char> buffer) override {
        const AssetByteRead got = representation_.getBytes(
            {reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size()}, offset);
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

std::shared_ptr<UploadSource> makeAssetUploadSource(AssetRepresentation representation) {
    const auto size = representation.size();
    if (!size) {
        return nullptr;
    }
    return std::make_shared<AssetUploadSource>(std::move(representation), *size);
}

}  // namespace pd
