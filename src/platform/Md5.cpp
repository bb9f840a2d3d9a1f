#include "platform/Md5.h"

#include <openssl/evp.h>

namespace pd {

Md5Digest md5(std::string_view bytes) {
    Md5Digest out{};
    unsigned int len = 0;
    EVP_Digest(bytes.data(), bytes.size(), out.data(), &len, EVP_md5(), nullptr);
    return out;
}

static std::string toHex(const Md5Digest& d, const char* digits) {
    std::string s;
    s.reserve(32);
    for (std::uint8_t b : d) {
        s.push_back(digits[b >> 4]);
        s.push_back(digits[b & 0x0F]);
    }
    return s;
}

std::string md5HexLower(std::string_view bytes) {
    return toHex(md5(bytes), "0123456789abcdef");
}
std::string md5HexUpper(std::string_view bytes) {
    return toHex(md5(bytes), "0123456789ABCDEF");
}

}  // namespace pd
