#pragma once
// The two-step handshake that proves the check code without sending it: the hello, and the
// proof answering the computer's challenge with MD5(device info, nonce, check code, challenge).

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace pd::link {

// Packed body [255, deviceInfo, 2, "AUTH2", "00:00:00:11:11:11"].
std::string buildHelloBody(std::string_view deviceInfo);

// Eight characters of 0-9A-Za-z from a generator seeded with the time in whole seconds, so two
// challenges within one second give the same nonce.
std::string makeNonce(std::time_t seconds);

// 32 lower-case hexadecimal characters.
std::string proofDigest(std::string_view deviceInfo, std::string_view nonce,
                        std::string_view checkCode, std::string_view challenge);

// Packed body [256, deviceInfo, 2, "AUTH1", nonce, challenge, digest, "00:00:00:11:11:11"].
std::string buildProofBody(std::string_view deviceInfo, std::string_view nonce,
                           std::string_view challenge, std::string_view digest);

}  // namespace pd::link
