#pragma once
// One scan of the photo library for the album index: every photo of every group is looked up
// by the URL of its default representation and kept under its file name (of photos with the
// same name the last one found stays). The scan ends exactly once: when every group has been
// enumerated and every lookup has returned or failed, or when the time limit passes first;
// lookups that return later are ignored.

#include "platform/Asset.h"
#include "platform/PhotoLibrary.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace pd {

// File name -> photo, in name order.
using AlbumIndex = std::map<std::string, Asset>;

class AlbumScan : public std::enable_shared_from_this<AlbumScan> {
  public:
    // Called once with the scan's index, on a background thread (the library queue or the
    // global pool).
    using Finish = std::function<void(AlbumIndex index)>;

    // Enumerates on the global background pool; the scan keeps itself (and the library) alive
    // until it has finished.
    static void start(std::shared_ptr<const PhotoLibrary> library, std::chrono::milliseconds limit,
                      Finish finish);

  private:
    AlbumScan(std::shared_ptr<const PhotoLibrary> library, Finish finish);

    void enumerate();
    void lookupReturned(std::optional<Asset> asset);
    void finish();

    const std::shared_ptr<const PhotoLibrary> library_;
    std::mutex mutex_;
    Finish finish_;
    AlbumIndex index_;
    std::size_t outstanding_ = 0;
    bool bEnumerated_ = false;
    bool bFinished_ = false;
};

}  // namespace pd
