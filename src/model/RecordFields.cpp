#include "model/RecordFields.h"

#include "platform/Utf8.h"

namespace pd::fields {

std::optional<std::string> utf8OrEmpty(msg::View v) {
    const auto raw = v.asRaw();
    if (!raw) {
        return std::nullopt;
    }
    return isValidUtf8(*raw) ? std::string(*raw) : std::string();
}

std::optional<std::optional<std::string>> utf8OrAbsent(msg::View v) {
    const auto raw = v.asRaw();
    if (!raw) {
        return std::nullopt;
    }
    if (!isValidUtf8(*raw)) {
        return std::optional<std::string>();
    }
    return std::optional<std::string>(std::string(*raw));
}

}  // namespace pd::fields
