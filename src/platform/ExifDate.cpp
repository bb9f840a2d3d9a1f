#include "platform/ExifDate.h"

#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>

#include <array>
#include <charconv>
#include <memory>
#include <mutex>
#include <string>

namespace pd {

namespace {

struct LoaderUnref {
    void operator()(ExifLoader* l) const { exif_loader_unref(l); }
};
struct DataUnref {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};

bool readNumber(std::string_view text, std::size_t pos, std::size_t len, int& out) {
    if (pos + len > text.size()) {
        return false;
    }
    const char* first = text.data() + pos;
    const auto [end, ec] = std::from_chars(first, first + len, out);
    return ec == std::errc() && end == first + len;
}

std::optional<std::time_t> entryDate(ExifData* data, ExifIfd ifd, ExifTag tag) {
    ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], tag);
    if (entry == nullptr || entry->format != EXIF_FORMAT_ASCII || entry->data == nullptr) {
        return std::nullopt;
    }
    return parseExifDateTime(
        std::string_view(reinterpret_cast<const char*>(entry->data), entry->size));
}

}  // namespace

std::optional<std::time_t> parseExifDateTime(std::string_view text) {
    while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    // "YYYY:MM:DD HH:MM:SS"
    if (text.size() != 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    std::tm tm{};
    if (!readNumber(text, 0, 4, tm.tm_year) || !readNumber(text, 5, 2, tm.tm_mon) ||
        !readNumber(text, 8, 2, tm.tm_mday) || !readNumber(text, 11, 2, tm.tm_hour) ||
        !readNumber(text, 14, 2, tm.tm_min) || !readNumber(text, 17, 2, tm.tm_sec)) {
        return std::nullopt;
    }
    if (tm.tm_year < 1900 || tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 ||
        tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 60) {
        return std::nullopt;
    }
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;  // let the zone rules decide, as for a wall-clock reading
    // mktime reloads the zone on every call under a libc lock that ThreadSanitizer cannot
    // see; the library's threads take turns so that the tool sees the order too.
    static std::mutex zoneMutex;
    std::unique_lock lock(zoneMutex);
    const std::time_t t = std::mktime(&tm);
    lock.unlock();
    if (t == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return t;
}

std::optional<std::time_t> readExifDate(std::FILE* file) {
    std::unique_ptr<ExifLoader, LoaderUnref> loader(exif_loader_new());
    if (!loader) {
        return std::nullopt;
    }
    // The loader says when it has the block (or knows there is none), so only the file's head
    // is read.
    std::array<unsigned char, 4096> chunk{};
    std::size_t total = 0;
    while (total < kMaxExifScanBytes) {
        const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), file);
        if (n == 0 ||
            exif_loader_write(loader.get(), chunk.data(), static_cast<unsigned>(n)) == 0) {
            break;
        }
        total += n;
    }
    const unsigned char* block = nullptr;
    unsigned int blockSize = 0;
    exif_loader_get_buf(loader.get(), &block, &blockSize);
    std::unique_ptr<ExifData, DataUnref> data(exif_data_new());
    if (block == nullptr || blockSize == 0 || !data) {
        return std::nullopt;
    }
    // Loaded as found: of libexif's three options (bits 0 to 2) only skipping unknown tags
    // stays, since its fix-ups would fill a missing DateTime with the current time.
    constexpr int kAllOptions = 0x7;
    exif_data_unset_option(data.get(), static_cast<ExifDataOption>(
                                           kAllOptions & ~EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS));
    exif_data_load_data(data.get(), block, blockSize);
    if (auto original = entryDate(data.get(), EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL)) {
        return original;
    }
    return entryDate(data.get(), EXIF_IFD_0, EXIF_TAG_DATE_TIME);
}

}  // namespace pd
