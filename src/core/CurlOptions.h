#pragma once
// The options every download sets on its easy handle, in one place.

#include <curl/curl.h>

#include <cstddef>
#include <string>

namespace pd {

// Body blocks of up to this many bytes are handed to the write callback.
inline constexpr long kDownloadBufferSize = 256 * 1024;

struct DownloadCallbacks {
    curl_write_callback onHeader = nullptr;
    curl_write_callback onBody = nullptr;
    void* data = nullptr;
};

// GET `url` over plain HTTP(S), no proxy, no redirects, no content encoding; `headers` (may be
// null) and `errorBuffer` (CURL_ERROR_SIZE bytes) must outlive the transfer. False if curl
// refused an option.
bool configureDownload(CURL* easy, const std::string& url, curl_slist* headers,
                       const DownloadCallbacks& callbacks, char* errorBuffer);

// The most precise text for a failed transfer: curl's error buffer if it says something.
std::string curlErrorText(CURLcode code, const char* errorBuffer);

}  // namespace pd
