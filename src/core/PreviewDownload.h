#pragma once
// The worker side of one preview download. The body is written under a temporary name next to
// the cache path and renamed when whole, so a process killed mid-download never leaves a
// partial file where the viewer looks. Progress goes to the observer from the worker thread
// and stays below 1.0; completion (exactly 1.0) and errors are handed to the hooks, which the
// service delivers on the main queue. The sizes announced (the listing's when known, the
// answer's) must agree and the body must match them; a body of unknown size may grow only into
// the free space.

#include "NetWork/HttpDownloader.h"
#include "core/CurlTransfer.h"
#include "core/OutputFile.h"
#include "core/ResponseHead.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pd {

class PreviewDownload : public CurlTransfer {
  public:
    struct Hooks {
        std::function<void()> started;                  // the request begins
        std::function<void()> finished;                 // the file is whole at its path
        std::function<void(std::string error)> failed;  // nothing is left at either path
    };

    // `partPath` must be unique to this download; the body is written there. `listedSize` is
    // the size the listing gave (0: not known).
    PreviewDownload(std::string url, std::string path, std::string partPath,
                    std::uint64_t listedSize, std::weak_ptr<DownloadServiceDelegate> observer,
                    Hooks hooks);
    ~PreviewDownload() override;

    bool begin(CURL* easy) override;
    bool finish(CURL* easy, CURLcode result) override;
    void abort(const std::string& reason) override;

    // The fraction reported while bytes arrive: never 1.0, which means "done".
    static float runningFraction(std::uint64_t received, std::uint64_t total);

  private:
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    bool decide();
    bool writeBody(std::string_view bytes);
    void fail(std::string error);

    const std::string url_;
    const std::string path_;
    const std::string partPath_;
    const std::uint64_t listedSize_;
    const std::weak_ptr<DownloadServiceDelegate> observer_;
    Hooks hooks_;

    CURL* easy_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    ResponseHead head_;
    OutputFile file_;
    bool writing_ = false;
    std::string refusal_;
    std::uint64_t total_ = 0;  // expected size; 0 while unknown
    std::uint64_t limit_ = 0;  // most bytes the file may hold
    bool ended_ = false;
};

}  // namespace pd
