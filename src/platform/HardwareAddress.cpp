#include "platform/HardwareAddress.h"

namespace pd {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<HardwareAddress> parseHardwareAddress(std::string_view text) {
    constexpr std::size_t kLength = 17;  // six pairs and five separators
    if (text.size() != kLength) {
        return std::nullopt;
    }
    const char separator = text[2];
    if (separator != ':' && separator != '-') {
        return std::nullopt;
    }
    HardwareAddress address{};
    for (std::size_t i = 0; i < address.size(); ++i) {
        const std::size_t at = i * 3;
        if (i > 0 && text[at - 1] != separator) {
            return std::nullopt;
        }
        const int high = hexDigit(text[at]);
        const int low = hexDigit(text[at + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        address[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return address;
}

std::string formatHardwareAddress(const HardwareAddress& address) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (i > 0) {
            text += ':';
        }
        text += kDigits[address[i] >> 4];
        text += kDigits[address[i] & 0x0f];
    }
    return text;
}

}  // namespace pd
