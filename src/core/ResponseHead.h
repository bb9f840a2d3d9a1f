#pragma once
// Collects the header lines of one HTTP response as the HTTP client hands them over, one line
// at a time, and says when the header block of the final (non-1xx) response is complete, so
// that a download can decide what to do with the body before its first byte arrives.

#include <optional>
#include <string>
#include <string_view>

namespace pd {

class ResponseHead {
  public:
    // Longest header value kept; a longer one is dropped as if absent (sizes need 50 bytes).
    static constexpr std::size_t kMaxValueLength = 256;

    // Feeds one line including its line end. Returns true when this line (the empty one)
    // ends the header block of a final response; an informational (1xx) block is forgotten.
    bool feed(std::string_view line);

    // The status of the last status line; 0 before one arrived.
    long status() const { return status_; }
    const std::optional<std::string>& contentRange() const { return contentRange_; }
    const std::optional<std::string>& contentLength() const { return contentLength_; }

  private:
    void reset();

    long status_ = 0;
    std::optional<std::string> contentRange_;
    std::optional<std::string> contentLength_;
};

}  // namespace pd
