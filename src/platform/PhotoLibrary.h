#pragma once
// The phone's photo library on Linux: a folder. The folder itself is the camera-roll group and
// each subfolder an album group (hidden entries and linked folders are not part of it). An
// album entry that is a symbolic link to another file of the library is that file's asset
// (same URL, same file name); links that are broken or lead outside the folder are ignored.
//
// Thread-safe; enumeration runs on the caller's thread, lookups on the library queue.

#include "platform/Asset.h"
#include "platform/AssetGroup.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <vector>

namespace pd {

class SerialQueue;

class PhotoLibrary {
  public:
    static constexpr const char* kCameraRollName = "Camera Roll";

    // The folder of a library made without one: the one set here (the front-end's option),
    // else $XDG_PICTURES_DIR when absolute, else ~/Pictures. nullopt forgets the set one.
    static void setDefaultRoot(std::optional<std::filesystem::path> root);
    static std::filesystem::path defaultRoot();
    // Where lookups run and deliver; process-wide and never destroyed, so a lookup always
    // delivers, even after its library object is gone.
    static SerialQueue& queue();

    explicit PhotoLibrary(std::filesystem::path root = defaultRoot());

    const std::filesystem::path& root() const { return root_; }

    // The camera roll first, then the albums by name; empty when the folder cannot be read.
    std::vector<AssetGroup> groups() const;

    // Calls `block` for each asset of the group, newest first. `index` is the asset's place in
    // the group's oldest-first order, so the last call has index 0. An asset appears once per
    // group; one that is in several groups appears in each.
    using AssetBlock = std::function<void(const Asset& asset, std::size_t index)>;
    void enumerateAssets(const AssetGroup& group, const AssetBlock& block) const;

    // Looks an asset up by URL and calls exactly one of the blocks, once, on queue():
    // `resultBlock` with the asset, or with nullopt when the URL names no asset (any more);
    // `failureBlock` when the text is not an asset URL or the library folder cannot be read.
    using ResultBlock = std::function<void(std::optional<Asset> asset)>;
    using FailureBlock = std::function<void(std::error_code error)>;
    void assetForURL(std::string url, ResultBlock resultBlock, FailureBlock failureBlock) const;

  private:
    std::filesystem::path root_;
};

}  // namespace pd
