#include "model/FileTime.h"

namespace pd {

std::int64_t fileTimeToUnixSeconds(std::uint64_t fileTime) {
    // The quotient is below 2^41, so it always fits in a signed value.
    return static_cast<std::int64_t>(fileTime / kFileTimeTicksPerSecond) -
           kFileTimeEpochToUnixSeconds;
}

}  // namespace pd
