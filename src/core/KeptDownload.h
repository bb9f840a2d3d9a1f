#pragma once
// The worker side of one kept download: the body goes into the temporary file, resuming from
// what that file already holds, and the file is moved to the destination only when whole.
//
// Before asking, a temporary file begun with another listing (ListingStamp) than the one given
// now, or longer than the file, is started over; and the disk must hold what remains.
// What to do with a body is decided when the response headers are complete, before its first
// byte:
//   206 starting at the byte asked for  append to the temporary file, unless the complete
//                                       length is not the size it was begun for: start over
//   200                                 start the temporary file over (the server sent it all)
//   416, temporary file complete        done: move it
//   416 otherwise                       remove the temporary file and ask once more, whole
//   anything else                       fail, the temporary file untouched
// Every size announced (the listing's, Content-Length, the complete length) must agree, the
// body may not run past it, and the file is moved only when it holds exactly that many bytes.
// A body of unknown size may grow only into the free space; if it outgrows it, it is removed.

#include "NetWork/HttpDownloader.h"
#include "core/CurlTransfer.h"
#include "core/HttpDownTaskData.h"
#include "core/OutputFile.h"
#include "core/ResponseHead.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pd {

struct KeptOutcome {
    bool success = false;
    long status = 0;                 // HTTP status of the last answer; 0 if none came
    std::uint64_t completeSize = 0;  // from the response headers; 0 if they never gave it
    std::string error;               // why it failed
    // The computer cut the transfer off (connection refused, closed or silent): what the
    // temporary file holds stays, and a new attempt continues it.
    bool cut = false;
    // The computer refused the signed link (401/403): one signed anew may be honoured.
    bool linkRefused = false;
    std::uint64_t received = 0;  // body bytes this attempt wrote
};

class KeptDownload : public CurlTransfer {
  public:
    struct Hooks {
        std::function<void()> started;           // once, when the first attempt begins
        std::function<void(KeptOutcome)> ended;  // once, at the end
    };

    KeptDownload(std::string url, std::string destination, std::string temporary, ListedFile listed,
                 std::shared_ptr<HttpDownTaskData> record, Hooks hooks);
    ~KeptDownload() override;

    bool begin(CURL* easy) override;
    bool finish(CURL* easy, CURLcode result) override;
    void abort(const std::string& reason) override;

  private:
    enum class Plan { Undecided, Write, CompleteFromTemp, StartOver, Refuse };

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    void decide();
    void refuse(std::string why);
    // Drops a temporary file (and its stamp) that cannot be appended to; false if it stays.
    bool discardTemporary(const std::string& why);
    // Takes the temporary file for this download; false when another one (in this or another
    // process) is writing it.
    bool lockTemporary();
    bool writeBody(std::string_view bytes);
    void updateProgress();
    KeptOutcome moveToDestination();
    KeptOutcome failure(std::string error, bool cut) const;
    void end(KeptOutcome outcome);

    const std::string url_;
    const std::string destination_;
    const std::string temporary_;
    const ListedFile listed_;
    const std::shared_ptr<HttpDownTaskData> record_;
    Hooks hooks_;

    CURL* easy_ = nullptr;
    int lockFd_ = -1;  // held while this download owns its temporary file
    curl_slist* headers_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    ResponseHead head_;
    OutputFile file_;
    Plan plan_ = Plan::Undecided;
    std::string refusal_;
    long status_ = 0;
    std::uint64_t offset_ = 0;     // bytes the temporary file held when this attempt began
    std::uint64_t writeFrom_ = 0;  // where this attempt's body began in the temporary file
    std::uint64_t complete_ = 0;   // complete size; 0 while unknown
    std::uint64_t expected_ = 0;   // size the temporary file is part of; 0: not known
    std::uint64_t limit_ = 0;      // most bytes the temporary file may hold in this attempt
    bool overgrown_ = false;       // a body of unknown size outgrew the free space
    bool startReported_ = false;
    bool startedOver_ = false;
    bool ended_ = false;
};

}  // namespace pd
