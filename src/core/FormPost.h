#pragma once
// Posting a form-encoded body over HTTP, asynchronously. The HTTP client of the feedback
// screen; CurlFormPoster runs it on a curl worker thread of its own.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pd {

class CurlWorker;

struct FormPostResult {
    bool ok = false;    // answered with a 2xx status
    long status = 0;    // the HTTP status, 0 when no answer came
    std::string error;  // why it failed, for people
};

class FormPoster {
  public:
    using Done = std::function<void(const FormPostResult&)>;
    virtual ~FormPoster() = default;
    // `done` runs once, on any thread.
    virtual void post(const std::string& url, std::string body, std::chrono::milliseconds limit,
                      Done done) = 0;
};

class CurlFormPoster : public FormPoster {
  public:
    CurlFormPoster();
    // Drops a post still running without calling it back.
    ~CurlFormPoster() override;
    void post(const std::string& url, std::string body, std::chrono::milliseconds limit,
              Done done) override;

  private:
    std::unique_ptr<CurlWorker> worker_;
    std::atomic<std::uint64_t> nextId_{1};
};

}  // namespace pd
