#pragma once
// The worker side of one kept download: the body goes into the temporary file, resuming from
// what that file already holds, and the file is moved to the destination only when whole.
//
// What to do with a body is decided when the response headers are complete, before its first
// byte:
//   206 starting at the byte asked for  append to the temporary file
//   200                                 start the temporary file over (the server sent it all)
//   416, temporary file complete        done: move it
//   416 otherwise                       remove the temporary file and ask once more, whole
//   anything else                       fail, the temporary file untouched
// The destination therefore only ever receives a file of the announced complete size.

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
};

class KeptDownload : public CurlTransfer {
  public:
    struct Hooks {
        std::function<void()> started;           // once, when the first attempt begins
        std::function<void(KeptOutcome)> ended;  // once, at the end
    };

    KeptDownload(std::string url, std::string destination, std::string temporary,
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
    bool writeBody(std::string_view bytes);
    void updateProgress();
    KeptOutcome moveToDestination();
    void end(KeptOutcome outcome);

    const std::string url_;
    const std::string destination_;
    const std::string temporary_;
    const std::shared_ptr<HttpDownTaskData> record_;
    Hooks hooks_;

    CURL* easy_ = nullptr;
    curl_slist* headers_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    ResponseHead head_;
    OutputFile file_;
    Plan plan_ = Plan::Undecided;
    std::string refusal_;
    long status_ = 0;
    std::uint64_t offset_ = 0;    // bytes the temporary file held when this attempt began
    std::uint64_t complete_ = 0;  // complete size; 0 while unknown
    bool startReported_ = false;
    bool startedOver_ = false;
    bool ended_ = false;
};

}  // namespace pd
