#include "PeerHandshake.h"

#include "codec/LinkCodes.h"
#include "platform/Log.h"
#include "platform/Md5.h"

#include <openssl/rand.h>

#include <random>

namespace pd::peer {

static constexpr std::size_t kChallengeLength = 16;
static constexpr std::size_t kTicketLength = 32;

std::string PeerHandshake::randomText(std::size_t length) {
    static constexpr char kAlphabet[] =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string bytes(length, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(length)) != 1) {
        std::random_device rd;  // OpenSSL has no entropy: fall back to the OS source directly
        for (char& c : bytes) {
            c = static_cast<char>(rd());
        }
    }
    for (char& c : bytes) {
        c = kAlphabet[static_cast<unsigned char>(c) % 62];
    }
    return bytes;
}

PeerHandshake::PeerHandshake(std::string checkCode, bool directAccept, TicketBook* tickets)
    : checkCode_(std::move(checkCode)),
      directAccept_(directAccept),
      tickets_(tickets),
      ticket_(randomText(kTicketLength)) {}

void PeerHandshake::recordTicket() const {
    if (tickets_ != nullptr) {
        tickets_->issue(TicketBook::deviceUuidOf(deviceInfo_), ticket_);
    }
}

static std::optional<std::string> textAt(msg::View body, std::uint32_t i) {
    std::optional<std::string_view> raw = body[i].asRaw();
    return raw ? std::optional<std::string>(std::string(*raw)) : std::nullopt;
}

std::optional<PeerAnswer> PeerHandshake::onHello(msg::View body) {
    // [number, device info, 2, "AUTH2", mac]
    std::optional<std::int32_t> number = body[0].asInt32();
    std::optional<std::string> device = textAt(body, 1);
    if (body.size() != 5 || !number || !device) {
        PD_LOG_WARN("malformed hello ignored");
        return std::nullopt;
    }
    deviceInfo_ = *device;
    msg::Packer p;
    if (directAccept_) {
        accepted_ = true;
        challenge_.reset();
        PD_LOG_INFO("accepting '{}' without a check code", deviceInfo_);
        recordTicket();
        p.array(3).integer(*number).integer(kOk).raw(ticket_);
        return PeerAnswer{static_cast<std::int32_t>(link::kAnswerHelloAccepted), p.take()};
    }
    challenge_ = randomText(kChallengeLength);
    p.array(4).integer(*number).integer(link::kResultChallenge).raw(*challenge_).raw("");
    return PeerAnswer{static_cast<std::int32_t>(link::kAnswerAuth), p.take()};
}

std::optional<PeerAnswer> PeerHandshake::onProof(msg::View body) {
    // [number, device info, 2, "AUTH1", nonce, challenge, digest, mac]
    std::optional<std::int32_t> number = body[0].asInt32();
    std::optional<std::string> device = textAt(body, 1);
    std::optional<std::string> nonce = textAt(body, 4);
    std::optional<std::string> challenge = textAt(body, 5);
    std::optional<std::string> digest = textAt(body, 6);
    if (body.size() != 8 || !number || !device || !nonce || !challenge || !digest) {
        PD_LOG_WARN("malformed proof ignored");
        return std::nullopt;
    }
    std::optional<std::string> issued = std::move(challenge_);
    challenge_.reset();
    bool good = issued && *challenge == *issued &&
                *digest == md5HexLower(*device + *nonce + checkCode_ + *issued);
    msg::Packer p;
    if (good) {
        accepted_ = true;
        deviceInfo_ = *device;
        PD_LOG_INFO("'{}' proved the check code", deviceInfo_);
        recordTicket();
        p.array(4).integer(*number).integer(kOk).raw("").raw(ticket_);
    } else {
        PD_LOG_WARN("'{}' failed the check code", *device);
        p.array(4).integer(*number).integer(kAuthRefused).raw("").raw("");
    }
    return PeerAnswer{static_cast<std::int32_t>(link::kAnswerAuth), p.take()};
}

}  // namespace pd::peer
