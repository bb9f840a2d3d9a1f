#include "controllers/FriendlyTime.h"

#include "platform/Localization.h"

#include <array>
#include <cstdio>

namespace pd {

namespace {

constexpr std::size_t kStampLength = 14;

int digitsAt(std::string_view s, std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        value = value * 10 + (s[i] - '0');
    }
    return value;
}

std::tm localFields(std::time_t t) {
    std::tm fields{};
    localtime_r(&t, &fields);
    return fields;
}

// The key's text used as a strftime format over `fields`; empty if it does not fit.
std::string formatWithKey(const char* key, const std::tm& fields) {
    std::array<char, 256> buffer{};
    const std::string format = Localized(key);
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), format.c_str(), &fields);
    return std::string(buffer.data(), length);
}

std::string countWithKey(long long count, const char* key) {
    return std::to_string(count) + Localized(key);
}

}  // namespace

std::optional<std::time_t> parseCaptureStamp(std::string_view name) {
    if (name.size() < kStampLength) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kStampLength; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return std::nullopt;
        }
    }
    std::tm fields{};
    fields.tm_year = digitsAt(name, 0, 4) - 1900;
    fields.tm_mon = digitsAt(name, 4, 2) - 1;
    fields.tm_mday = digitsAt(name, 6, 2);
    fields.tm_hour = digitsAt(name, 8, 2);
    fields.tm_min = digitsAt(name, 10, 2);
    fields.tm_sec = digitsAt(name, 12, 2);
    fields.tm_isdst = -1;
    const std::tm asWritten = fields;
    const std::time_t t = std::mktime(&fields);
    // mktime rolls 20241340... into a valid date; a stamp we wrote never needs that.
    if (t == static_cast<std::time_t>(-1) || fields.tm_year != asWritten.tm_year ||
        fields.tm_mon != asWritten.tm_mon || fields.tm_mday != asWritten.tm_mday ||
        fields.tm_min != asWritten.tm_min || fields.tm_sec != asWritten.tm_sec) {
        return std::nullopt;
    }
    return t;
}

std::string friendlyTime(std::string_view name, std::time_t now) {
    const std::time_t stamp = parseCaptureStamp(name).value_or(0);
    const long long d = static_cast<long long>(now) - static_cast<long long>(stamp);
    if (d <= 0) {
        return Localized("just now");
    }
    if (d <= 59) {
        return countWithKey(d, "seconds ago");
    }
    if (d <= 3599) {
        return countWithKey(d / 60, "few minutes ago");
    }
    const std::tm then = localFields(stamp);
    const std::tm current = localFields(now);
    if (current.tm_year != then.tm_year) {
        return formatWithKey("dayFormat3", then);
    }
    const int days = current.tm_yday - then.tm_yday;
    if (days == 0) {
        return formatWithKey("today", then);
    }
    if (days == 1) {
        return formatWithKey("yesterday", then);
    }
    if (days == 2) {
        return formatWithKey("before yesterday", then);
    }
    if (days >= 3 && current.tm_mon == then.tm_mon) {
        return countWithKey(days, "few days ago");
    }
    if (current.tm_mon == then.tm_mon + 1) {
        return countWithKey(1, "few months ago");
    }
    return formatWithKey("dayFormat2", then);
}

}  // namespace pd
