#include "core/FormPost.h"

#include "core/CurlOptions.h"
#include "core/CurlWorker.h"

#include <utility>

namespace pd {

namespace {

class FormTransfer : public CurlTransfer {
  public:
    FormTransfer(std::string url, std::string body, std::chrono::milliseconds limit,
                 FormPoster::Done done)
        : url_(std::move(url)), body_(std::move(body)), limit_(limit), done_(std::move(done)) {}

    bool begin(CURL* easy) override {
        errorBuffer_[0] = '\0';
        bool ok = true;
        const auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
        set(curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_));
        set(curl_easy_setopt(easy, CURLOPT_URL, url_.c_str()));
        set(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"));
        set(curl_easy_setopt(easy, CURLOPT_NOPROXY, "*"));
        set(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L));
        set(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
        set(curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limit_.count())));
        set(curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(body_.size())));
        set(curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body_.c_str()));
        // The answer's body is not examined.
        set(curl_easy_setopt(
            easy, CURLOPT_WRITEFUNCTION,
            +[](char*, size_t size, size_t n, void*) { return size * n; }));
        if (!ok) {
            report({false, 0, "could not prepare the request"});
        }
        return ok;
    }

    bool finish(CURL* easy, CURLcode result) override {
        FormPostResult r;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &r.status);
        if (result != CURLE_OK) {
            r.error = curlErrorText(result, errorBuffer_);
        } else if (r.status < 200 || r.status > 299) {
            r.error = "the service answered HTTP " + std::to_string(r.status);
        } else {
            r.ok = true;
        }
        report(r);
        return false;
    }

    void abort(const std::string& reason) override { report({false, 0, reason}); }

  private:
    void report(const FormPostResult& result) {
        if (auto done = std::exchange(done_, nullptr)) {
            done(result);
        }
    }

    std::string url_;
    std::string body_;
    std::chrono::milliseconds limit_;
    FormPoster::Done done_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
};

}  // namespace

CurlFormPoster::CurlFormPoster() : worker_(std::make_unique<CurlWorker>(1)) {}

CurlFormPoster::~CurlFormPoster() = default;

void CurlFormPoster::post(const std::string& url, std::string body, std::chrono::milliseconds limit,
                          Done done) {
    worker_->add(nextId_++,
                 std::make_shared<FormTransfer>(url, std::move(body), limit, std::move(done)),
                 CurlWorker::Slot::Unlimited);
}

}  // namespace pd
