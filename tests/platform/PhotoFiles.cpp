#include "PhotoFiles.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <vector>

namespace pd::test {

namespace {

void append(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<std::size_t>(size));
}

std::vector<unsigned char> gradient() {
    std::vector<unsigned char> rgb(8 * 8 * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<unsigned char>(i * 5);
    }
    return rgb;
}

void le16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void le32(std::string& out, unsigned v) {
    le16(out, v & 0xFFFF);
    le16(out, v >> 16);
}

void entry(std::string& out, unsigned tag, unsigned type, unsigned count, unsigned value) {
    le16(out, tag);
    le16(out, type);
    le32(out, count);
    le32(out, value);
}

// A little-endian TIFF block: IFD0 with DateTime and a pointer to the EXIF IFD, which holds
// DateTimeOriginal. ASCII values are 20 bytes and stored after the IFDs.
std::string exifApp1(const std::optional<std::string>& dateTime,
                     const std::optional<std::string>& original) {
    constexpr unsigned kAscii = 2, kLong = 4;
    const unsigned ifd0Count = (dateTime ? 1 : 0) + (original ? 1 : 0);
    const unsigned exifIfd = 8 + 2 + 12 * ifd0Count + 4;
    unsigned data = exifIfd + (original ? 2 + 12 + 4 : 0);
    std::string tiff = std::string("II*\0", 4);
    le32(tiff, 8);
    le16(tiff, ifd0Count);
    std::string values;
    if (dateTime) {
        entry(tiff, 0x0132, kAscii, 20, data);
        data += 20;
        values += *dateTime + std::string(20 - dateTime->size(), '\0');
    }
    if (original) {
        entry(tiff, 0x8769, kLong, 1, exifIfd);
    }
    le32(tiff, 0);
    if (original) {
        le16(tiff, 1);
        entry(tiff, 0x9003, kAscii, 20, data);
        le32(tiff, 0);
        values += *original + std::string(20 - original->size(), '\0');
    }
    const std::string payload = std::string("Exif\0\0", 6) + tiff + values;
    const std::size_t length = payload.size() + 2;
    return std::string("\xFF\xE1", 2) + static_cast<char>(length >> 8) +
           static_cast<char>(length & 0xFF) + payload;
}

}  // namespace

std::string jpegBytes(const std::optional<std::string>& dateTime,
                      const std::optional<std::string>& dateTimeOriginal) {
    std::string jpeg;
    const auto rgb = gradient();
    stbi_write_jpg_to_func(append, &jpeg, 8, 8, 3, rgb.data(), 90);
    if (dateTime || dateTimeOriginal) {
        jpeg.insert(2, exifApp1(dateTime, dateTimeOriginal));  // right after the SOI marker
    }
    return jpeg;
}

std::string pngBytes() {
    std::string png;
    const auto rgb = gradient();
    stbi_write_png_to_func(append, &png, 8, 8, 3, rgb.data(), 8 * 3);
    return png;
}

void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

void setModificationTime(const std::filesystem::path& file, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

}  // namespace pd::test
