#include "core/KeptDownload.h"

#include "core/ContentRange.h"
#include "core/CurlOptions.h"
#include "core/DiskRoom.h"
#include "core/ListingStamp.h"
#include "platform/Log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

namespace pd {

namespace {

// Two values of which 0 means "not known" contradict each other only when both are known.
bool contradict(std::uint64_t a, std::uint64_t b) {
    return a != 0 && b != 0 && a != b;
}

}  // namespace

KeptDownload::KeptDownload(std::string url, std::string destination, std::string temporary,
                           ListedFile listed, std::shared_ptr<HttpDownTaskData> record, Hooks hooks)
    : url_(std::move(url)),
      destination_(std::move(destination)),
      temporary_(std::move(temporary)),
      listed_(listed),
      record_(std::move(record)),
      hooks_(std::move(hooks)) {}

KeptDownload::~KeptDownload() {
    curl_slist_free_all(headers_);
    if (lockFd_ >= 0) {
        ::unlink((temporary_ + "\\lock").c_str());
        ::close(lockFd_);
    }
}

bool KeptDownload::lockTemporary() {
    if (lockFd_ >= 0) {
        return true;  // a restart of the same download
    }
    // Beside the temporary file, under a name no downloaded file can take.
    const std::string path = temporary_ + "\\lock";
    lockFd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
        return true;
    }
    const int err = errno;
    const bool busy = lockFd_ >= 0;
    if (lockFd_ >= 0) {
        ::close(lockFd_);
        lockFd_ = -1;
    }
    end({false, 0, 0,
         busy ? "another download of " + destination_ + " is running"
              : "cannot lock the temporary file " + temporary_ + ": " + std::strerror(err)});
    return false;
}

bool KeptDownload::begin(CURL* easy) {
    easy_ = easy;
    head_ = ResponseHead();
    plan_ = Plan::Undecided;
    refusal_.clear();
    status_ = 0;
    complete_ = 0;
    curl_slist_free_all(headers_);
    headers_ = nullptr;

    if (!startReported_) {
        startReported_ = true;
        if (hooks_.started) {
            hooks_.started();
        }
    }
    if (!lockTemporary()) {
        return false;
    }
    if (!OutputFile::existingSize(temporary_, offset_)) {
        end({false, 0, 0, "the temporary path " + temporary_ + " is not a usable file"});
        return false;
    }
    expected_ = listed_.size;
    if (offset_ > 0) {
        const auto stamp = readListingStamp(temporary_);
        if (stamp && (contradict(listed_.size, stamp->size) ||
                      contradict(listed_.modifyTime, stamp->modifyTime))) {
            if (!discardTemporary("the file changed on the computer since it was begun")) {
                return false;
            }
        } else if (expected_ == 0 && stamp) {
            expected_ = stamp->size;
        }
        if (expected_ > 0 && offset_ > expected_ &&
            !discardTemporary("it holds more than the file's " + std::to_string(expected_))) {
            return false;
        }
    }
    if (expected_ > 0) {
        if (std::string problem = roomProblem(temporary_, expected_ - offset_); !problem.empty()) {
            end({false, 0, 0, std::move(problem)});
            return false;
        }
    }
    if (offset_ > 0) {
        char range[64];
        std::snprintf(range, sizeof range, "Range: bytes=%llu-",
                      static_cast<unsigned long long>(offset_));
        headers_ = curl_slist_append(nullptr, range);
        if (headers_ == nullptr) {
            end({false, 0, 0, "out of memory"});
            return false;
        }
    }
    const DownloadCallbacks callbacks{&KeptDownload::onHeader, &KeptDownload::onBody, this};
    if (!configureDownload(easy, url_, headers_, callbacks, errorBuffer_)) {
        end({false, 0, 0, "the HTTP client refused the request for " + url_});
        return false;
    }
    return true;
}

std::size_t KeptDownload::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* download = static_cast<KeptDownload*>(self);
    const std::size_t length = size * count;
    if (download->head_.feed(std::string_view(data, length))) {
        download->decide();
    }
    // Anything but writing ends the transfer here, before curl reads a byte of the body.
    const Plan plan = download->plan_;
    return plan == Plan::Undecided || plan == Plan::Write ? length : 0;
}

std::size_t KeptDownload::onBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* download = static_cast<KeptDownload*>(self);
    const std::size_t length = size * count;
    return download->writeBody(std::string_view(data, length)) ? length : 0;
}

void KeptDownload::refuse(std::string why) {
    plan_ = Plan::Refuse;
    refusal_ = std::move(why);
}

bool KeptDownload::discardTemporary(const std::string& why) {
    PD_LOG_INFO("{}: starting the temporary file over: {}", destination_, why);
    removeListingStamp(temporary_);
    if (::unlink(temporary_.c_str()) != 0 && errno != ENOENT) {
        end({false, status_, complete_,
             "cannot remove " + temporary_ + ": " + std::strerror(errno)});
        return false;
    }
    offset_ = 0;
    return true;
}

void KeptDownload::decide() {
    // The status curl parsed, not the CURLcode: that alone says nothing about the answer.
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status_);
    const auto& rangeHeader = head_.contentRange();
    std::uint64_t writeFrom = 0;
    switch (status_) {
        case 206: {
            const auto range = rangeHeader ? parseContentRange(*rangeHeader) : std::nullopt;
            if (!range) {
                refuse("partial answer without a usable Content-Range");
                return;
            }
            if (range->first != offset_) {
                refuse("the answer starts at byte " + std::to_string(range->first) +
                       " instead of " + std::to_string(offset_));
                return;
            }
            if (contradict(expected_, range->complete)) {
                // Another version of the file: its rest does not continue what is held.
                if (startedOver_) {
                    refuse("the file changed on the computer while it was fetched");
                } else {
                    plan_ = Plan::StartOver;
                }
                return;
            }
            complete_ = range->complete;
            writeFrom = offset_;
            break;
        }
        case 200: {
            const auto& lengthHeader = head_.contentLength();
            const auto length = lengthHeader ? parseContentLength(*lengthHeader) : std::nullopt;
            if (length && contradict(listed_.size, *length)) {
                refuse("the computer announced " + std::to_string(*length) +
                       " bytes for a file listed with " + std::to_string(listed_.size));
                return;
            }
            complete_ = length ? *length : listed_.size;
            if (offset_ > 0) {
                PD_LOG_INFO("{}: whole body for a resumed request, starting over", destination_);
            }
            break;
        }
        case 416: {
            const auto complete = rangeHeader ? parseUnsatisfiedRange(*rangeHeader) : std::nullopt;
            if (offset_ > 0 && complete && *complete == offset_ &&
                !contradict(expected_, offset_)) {
                complete_ = offset_;
                record_->fileSize.store(complete_);
                plan_ = Plan::CompleteFromTemp;
            } else if (offset_ > 0 && !startedOver_) {
                plan_ = Plan::StartOver;
            } else {
                refuse("HTTP status 416");
            }
            return;
        }
        default:
            refuse("HTTP status " + std::to_string(status_));
            return;
    }
    if (complete_ > 0) {
        record_->fileSize.store(complete_);
        if (std::string problem = roomProblem(temporary_, complete_ - writeFrom);
            !problem.empty()) {
            refuse(std::move(problem));
            return;
        }
        limit_ = complete_;
    } else {
        const auto writable = writableBytes(temporary_);
        limit_ = writable ? writeFrom + *writable : std::numeric_limits<std::uint64_t>::max();
    }
    writeFrom_ = writeFrom;
    if (!file_.openAt(temporary_, writeFrom)) {
        refuse(file_.error());
        return;
    }
    if (writeFrom == 0 && !writeListingStamp(temporary_, {complete_, listed_.modifyTime})) {
        PD_LOG_WARN("cannot write {}: a resume cannot tell whether the file changed",
                    listingStampPath(temporary_));
    }
    plan_ = Plan::Write;
    updateProgress();
}

bool KeptDownload::writeBody(std::string_view bytes) {
    if (plan_ != Plan::Write) {
        return false;
    }
    if (bytes.size() > limit_ - file_.size()) {
        // Cut before the block: the file never holds more than the file's size.
        if (complete_ > 0) {
            refuse("more bytes than the announced " + std::to_string(complete_));
        } else {
            overgrown_ = true;
            refuse("a body of unknown length outgrew the free space");
        }
        return false;
    }
    if (!file_.write(bytes)) {
        refuse(file_.error());
        return false;
    }
    updateProgress();
    return true;
}

void KeptDownload::updateProgress() {
    if (complete_ > 0) {
        const double fraction = static_cast<double>(file_.size()) / static_cast<double>(complete_);
        record_->progress.store(static_cast<float>(fraction < 1.0 ? fraction : 1.0));
    }
}

namespace {

// Transport failures that leave the file as it was on the computer: the next attempt may
// continue where this one stopped.
bool cutOff(CURLcode result) {
    switch (result) {
        case CURLE_COULDNT_CONNECT:
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_OPERATION_TIMEDOUT:
            return true;
        default:
            return false;
    }
}

}  // namespace

KeptOutcome KeptDownload::failure(std::string error, bool cut) const {
    KeptOutcome outcome{false, status_, complete_, std::move(error)};
    outcome.cut = cut;
    outcome.received = file_.size() > writeFrom_ ? file_.size() - writeFrom_ : 0;
    return outcome;
}

bool KeptDownload::finish(CURL* easy, CURLcode result) {
    if (status_ == 0) {
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status_);
    }
    const bool closed = file_.close();
    switch (plan_) {
        case Plan::Write:
            if (result != CURLE_OK) {
                end(failure(curlErrorText(result, errorBuffer_), closed && cutOff(result)));
            } else if (!closed) {
                end(failure(file_.error(), false));
            } else if (complete_ > 0 && file_.size() != complete_) {
                // The connection closed before the announced end.
                end(failure("received " + std::to_string(file_.size()) + " of " +
                                std::to_string(complete_) + " bytes",
                            file_.size() < complete_));
            } else {
                end(moveToDestination());
            }
            return false;
        case Plan::CompleteFromTemp:
            end(moveToDestination());
            return false;
        case Plan::StartOver:
            startedOver_ = true;
            return discardTemporary("the computer's answer does not continue it");
        case Plan::Refuse:
            // Bytes of no known size cannot be resumed from: nothing says where they end.
            if (overgrown_) {
                discardTemporary("it outgrew the free space");
            }
            {
                KeptOutcome outcome = failure(refusal_, false);
                outcome.linkRefused = status_ == 401 || status_ == 403;
                end(std::move(outcome));
            }
            return false;
        case Plan::Undecided:
            end(failure(result != CURLE_OK ? curlErrorText(result, errorBuffer_) : "no HTTP answer",
                        cutOff(result) || result == CURLE_OK));
            return false;
    }
    return false;
}

KeptOutcome KeptDownload::moveToDestination() {
    if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        return {false, status_, complete_,
                "cannot move " + temporary_ + " to " + destination_ + ": " + std::strerror(errno)};
    }
    removeListingStamp(temporary_);
    record_->progress.store(1.0f);
    return {true, status_, complete_, {}};
}

void KeptDownload::abort(const std::string& reason) {
    file_.close();
    end({false, status_, complete_, reason});
}

void KeptDownload::end(KeptOutcome outcome) {
    if (ended_) {
        return;
    }
    ended_ = true;
    if (!outcome.success) {
        PD_LOG_INFO("download of {} failed: {}", destination_, outcome.error);
    }
    if (hooks_.ended) {
        hooks_.ended(std::move(outcome));
    }
}

}  // namespace pd
