#include "core/CurlOptions.h"

namespace pd {

namespace {

// A computer that accepts but never answers, or trickles, must not hold a download forever:
// give up on connecting after this long, or when under the floor for the stall time.
constexpr long kConnectTimeoutSeconds = 15;
constexpr long kFloorBytesPerSecond = 1024;
constexpr long kStallSeconds = 60;

}  // namespace

bool configureDownload(CURL* easy, const std::string& url, curl_slist* headers,
                       const DownloadCallbacks& callbacks, char* errorBuffer) {
    errorBuffer[0] = '\0';
    bool ok = true;
    const auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    set(curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer));
    set(curl_easy_setopt(easy, CURLOPT_URL, url.c_str()));
    set(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"));
    // The computer is on the local network; a proxy from the environment would be wrong.
    set(curl_easy_setopt(easy, CURLOPT_NOPROXY, "*"));
    set(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L));
    set(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kDownloadBufferSize));
    set(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds));
    set(curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, kFloorBytesPerSecond));
    set(curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kStallSeconds));
    set(curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L));
    set(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers));
    set(curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, callbacks.onHeader));
    set(curl_easy_setopt(easy, CURLOPT_HEADERDATA, callbacks.data));
    set(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, callbacks.onBody));
    set(curl_easy_setopt(easy, CURLOPT_WRITEDATA, callbacks.data));
    return ok;
}

std::string curlErrorText(CURLcode code, const char* errorBuffer) {
    if (errorBuffer != nullptr && errorBuffer[0] != '\0') {
        return errorBuffer;
    }
    return curl_easy_strerror(code);
}

}  // namespace pd
