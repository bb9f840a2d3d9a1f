#pragma once
// MD5 digest (RFC 1321) through OpenSSL's EVP interface, and its hexadecimal texts.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pd {

using Md5Digest = std::array<std::uint8_t, 16>;

Md5Digest md5(std::string_view bytes);
// 32 hexadecimal characters, in digest order.
std::string md5HexLower(std::string_view bytes);
std::string md5HexUpper(std::string_view bytes);

}  // namespace pd
