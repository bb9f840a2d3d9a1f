#include "platform/DeviceInfo.h"

#include "platform/AppHome.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"

#include <sys/utsname.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <mutex>
#include <random>
#include <system_error>

namespace pd::DeviceInfo {

namespace {

// machine-id is 33 bytes; anything much larger is not one.
constexpr std::size_t kMaxIdFileBytes = 256;

std::string trimmed(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    return text.substr(start);
}

// 32 hexadecimal digits as 8-4-4-4-12, upper case.
std::string canonicalFromHex(const std::string& hex) {
    std::string uuid;
    uuid.reserve(36);
    for (std::size_t i = 0; i < hex.size(); ++i) {
        if (i == 8 || i == 12 || i == 16 || i == 20) {
            uuid.push_back('-');
        }
        uuid.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(hex[i]))));
    }
    return uuid;
}

bool isHexDigits(const std::string& text, std::size_t count) {
    if (text.size() != count) {
        return false;
    }
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

// A version-4 (random) UUID.
std::string randomUuid() {
    std::random_device source;
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        const std::uint32_t word = source();
        for (std::size_t j = 0; j < 4; ++j) {
            bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
        }
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const std::uint8_t b : bytes) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0x0F]);
    }
    return canonicalFromHex(hex);
}

}  // namespace

std::string machineIdentifier() {
    utsname info{};
    if (::uname(&info) != 0) {
        return {};
    }
    return info.machine;
}

bool isCanonicalUuid(const std::string& text) {
    if (text.size() != 36) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-') {
                return false;
            }
        } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

std::string vendorIdentifierFrom(const std::filesystem::path& machineIdFile,
                                 const std::filesystem::path& keepFile) {
    if (const auto machineId = readWholeFile(machineIdFile, kMaxIdFileBytes)) {
        const std::string hex = trimmed(*machineId);
        if (isHexDigits(hex, 32)) {
            return canonicalFromHex(hex);
        }
    }
    // Serialises the read-or-create of the kept id, so concurrent first calls agree.
    static std::mutex* const keepMutex = new std::mutex();
    std::lock_guard lock(*keepMutex);
    if (const auto kept = readWholeFile(keepFile, kMaxIdFileBytes)) {
        const std::string uuid = trimmed(*kept);
        if (isCanonicalUuid(uuid)) {
            return uuid;
        }
        PD_LOG_WARN("vendor id file {} is malformed; making a new id", keepFile.string());
    }
    const std::string uuid = randomUuid();
    std::error_code ec;
    std::filesystem::create_directories(keepFile.parent_path(), ec);
    if (!writeFileAtomically(keepFile, uuid + "\n", 0600)) {
        PD_LOG_WARN("cannot keep the vendor id in {}; it will change next time", keepFile.string());
    }
    return uuid;
}

std::string vendorIdentifier() {
    return vendorIdentifierFrom("/etc/machine-id", AppHome::path() / "Library" / "vendor-id");
}

}  // namespace pd::DeviceInfo
