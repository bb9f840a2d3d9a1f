#include "NetWork/LinkHandshake.h"

#include "codec/LinkCodes.h"
#include "codec/MsgPack.h"
#include "platform/Md5.h"

#include <random>

namespace pd::link {

std::string buildHelloBody(std::string_view deviceInfo) {
    msg::Packer p;
    p.array(5).integer(kHello.number).raw(deviceInfo).integer(2).raw("AUTH2").raw(kMacText);
    return p.take();
}

std::string makeNonce(std::time_t seconds) {
    static constexpr std::string_view kAlphabet =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(seconds));
    std::string nonce;
    for (int i = 0; i < 8; ++i) {
        nonce.push_back(kAlphabet[generator() % kAlphabet.size()]);
    }
    return nonce;
}

std::string proofDigest(std::string_view deviceInfo, std::string_view nonce,
                        std::string_view checkCode, std::string_view challenge) {
    std::string input;
    input.reserve(deviceInfo.size() + nonce.size() + checkCode.size() + challenge.size());
    input.append(deviceInfo).append(nonce).append(checkCode).append(challenge);
    return md5HexLower(input);
}

std::string buildProofBody(std::string_view deviceInfo, std::string_view nonce,
                           std::string_view challenge, std::string_view digest) {
    msg::Packer p;
    p.array(8)
        .integer(kProof.number)
        .raw(deviceInfo)
        .integer(2)
        .raw("AUTH1")
        .raw(nonce)
        .raw(challenge)
        .raw(digest)
        .raw(kMacText);
    return p.take();
}

}  // namespace pd::link
