#include "core/PhoneFileListing.h"

#include "core/PhoneFilePath.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace pd {

namespace {

std::string line(char type, std::uint64_t size, double time, std::string_view name) {
    char head[96];
    std::snprintf(head, sizeof head, "%c\t%" PRIu64 "\t%.0f\t", type, size, time);
    std::string out(head);
    out.append(name);
    out += "\r\n";
    return out;
}

}  // namespace

std::string rootListingLines(double nowUtcMs) {
    return line('d', 0, nowUtcMs, phonefiles::kAlbumName) +
           line('d', 0, nowUtcMs, phonefiles::kDocumentsName);
}

std::string documentsListingLine(const UserDataEntry& entry) {
    return line(entry.folder ? 'd' : '-', entry.size, entry.modifyTime, entry.name);
}

std::string photoListingLine(std::string_view name, std::uint64_t size, double localMs) {
    return line('-', size, localMs, name);
}

double localMillisecondsOf(Asset::Date date) {
    const auto ms = std::chrono::duration<double, std::milli>(date.time_since_epoch()).count();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(date);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    return ms + static_cast<double>(tm.tm_gmtoff) * 1000.0;
}

double utcMillisecondsNow() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double, std::milli>(now).count();
}

bool fitsListingLine(std::string_view name) {
    return !name.empty() && name.find_first_of("\t\r\n") == std::string_view::npos;
}

}  // namespace pd
