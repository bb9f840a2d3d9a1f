#include "core/PreviewDownload.h"

#include "core/ContentRange.h"
#include "core/CurlOptions.h"
#include "core/DiskRoom.h"
#include "platform/Log.h"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

namespace pd {

PreviewDownload::PreviewDownload(std::string url, std::string path, std::string partPath,
                                 std::uint64_t listedSize,
                                 std::weak_ptr<DownloadServiceDelegate> observer, Hooks hooks)
    : url_(std::move(url)),
      path_(std::move(path)),
      partPath_(std::move(partPath)),
      listedSize_(listedSize),
      observer_(std::move(observer)),
      hooks_(std::move(hooks)) {}

PreviewDownload::~PreviewDownload() {
    // Dropped unfinished (the service went away): leave no partial file behind.
    if (!ended_ && file_.isOpen()) {
        file_.close();
        ::unlink(partPath_.c_str());
    }
}

float PreviewDownload::runningFraction(std::uint64_t received, std::uint64_t total) {
    if (total == 0) {
        return 0.0f;
    }
    // Rounding to float reaches 1.0 well before the last byte of a large file.
    constexpr float kBelowOne = 0.99999994f;  // the largest float under 1
    const auto fraction =
        static_cast<float>(static_cast<double>(received) / static_cast<double>(total));
    return fraction < kBelowOne ? fraction : kBelowOne;
}

bool PreviewDownload::begin(CURL* easy) {
    easy_ = easy;
    if (hooks_.started) {
        hooks_.started();
    }
    // A stale file of the same name (perhaps from another folder) must not pass for this one.
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) {
        fail("cannot replace " + path_ + ": " + std::strerror(errno));
        return false;
    }
    const DownloadCallbacks callbacks{&PreviewDownload::onHeader, &PreviewDownload::onBody, this};
    if (!configureDownload(easy, url_, nullptr, callbacks, errorBuffer_)) {
        fail("the HTTP client refused the request for " + url_);
        return false;
    }
    return true;
}

std::size_t PreviewDownload::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* download = static_cast<PreviewDownload*>(self);
    const std::size_t length = size * count;
    if (download->head_.feed(std::string_view(data, length)) && !download->decide()) {
        return 0;  // an error page is never written
    }
    return length;
}

std::size_t PreviewDownload::onBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* download = static_cast<PreviewDownload*>(self);
    const std::size_t length = size * count;
    return download->writeBody(std::string_view(data, length)) ? length : 0;
}

bool PreviewDownload::decide() {
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    const auto& rangeHeader = head_.contentRange();
    const auto& lengthHeader = head_.contentLength();
    if (status == 200) {
        const auto length = lengthHeader ? parseContentLength(*lengthHeader) : std::nullopt;
        total_ = length ? *length : listedSize_;
    } else if (status == 206) {
        // Not asked for, but a whole file in one part is still the file.
        const auto range = rangeHeader ? parseContentRange(*rangeHeader) : std::nullopt;
        if (!range || range->first != 0) {
            refusal_ = "unexpected partial answer";
            return false;
        }
        total_ = range->complete;
    } else {
        refusal_ = "HTTP status " + std::to_string(status);
        return false;
    }
    if (listedSize_ != 0 && total_ != listedSize_) {
        refusal_ = "the computer announced " + std::to_string(total_) +
                   " bytes for a file listed with " + std::to_string(listedSize_);
        return false;
    }
    if (total_ > 0) {
        refusal_ = roomProblem(partPath_, total_);
        if (!refusal_.empty()) {
            return false;
        }
        limit_ = total_;
    } else {
        const auto writable = writableBytes(partPath_);
        limit_ = writable ? *writable : std::numeric_limits<std::uint64_t>::max();
    }
    if (!file_.openAt(partPath_, 0)) {
        refusal_ = file_.error();
        return false;
    }
    writing_ = true;
    return true;
}

bool PreviewDownload::writeBody(std::string_view bytes) {
    if (!writing_) {
        return false;
    }
    if (bytes.size() > limit_ - file_.size()) {
        refusal_ = total_ > 0 ? "more bytes than the announced " + std::to_string(total_)
                              : "a body of unknown length outgrew the free space";
        return false;
    }
    if (!file_.write(bytes)) {
        refusal_ = file_.error();
        return false;
    }
    if (total_ > 0) {
        if (const auto observer = observer_.lock()) {
            observer->HttpDownProgress(runningFraction(file_.size(), total_));
        }
    }
    return true;
}

bool PreviewDownload::finish(CURL* /*easy*/, CURLcode result) {
    const bool closed = file_.close();
    if (!refusal_.empty()) {
        fail(refusal_);
    } else if (result != CURLE_OK) {
        fail(curlErrorText(result, errorBuffer_));
    } else if (!writing_) {
        fail("no HTTP answer");
    } else if (!closed) {
        fail(file_.error());
    } else if (total_ > 0 && file_.size() != total_) {
        fail("received " + std::to_string(file_.size()) + " of " + std::to_string(total_) +
             " bytes");
    } else if (std::rename(partPath_.c_str(), path_.c_str()) != 0) {
        fail("cannot move " + partPath_ + " to " + path_ + ": " + std::strerror(errno));
    } else {
        ended_ = true;
        if (hooks_.finished) {
            hooks_.finished();
        }
    }
    return false;
}

void PreviewDownload::abort(const std::string& reason) {
    file_.close();
    fail(reason);
}

void PreviewDownload::fail(std::string error) {
    if (ended_) {
        return;
    }
    ended_ = true;
    ::unlink(partPath_.c_str());
    PD_LOG_INFO("preview of {} failed: {}", path_, error);
    if (hooks_.failed) {
        hooks_.failed(std::move(error));
    }
}

}  // namespace pd
