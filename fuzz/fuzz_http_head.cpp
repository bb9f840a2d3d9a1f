// Response heads come from the computer's HTTP service: feed them line by line as the download
// service does, then read the sizes the way it decides on a body.
#include "core/ContentRange.h"
#include "core/ResponseHead.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    pd::ResponseHead head;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::size_t length = end == std::string_view::npos ? rest.size() : end + 1;
        head.feed(rest.substr(0, length));
        rest.remove_prefix(length);
    }
    if (head.contentRange()) {
        if (const auto range = pd::parseContentRange(*head.contentRange())) {
            if (range->first > range->last || range->last >= range->complete) {
                __builtin_trap();  // the parser promised an ordered range
            }
        }
        (void)pd::parseUnsatisfiedRange(*head.contentRange());
    }
    if (head.contentLength()) {
        (void)pd::parseContentLength(*head.contentLength());
    }
    return 0;
}
