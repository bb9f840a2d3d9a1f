#include "NetWork/LinkDispatcher.h"

#include "NetWork/LinkHandshake.h"
#include "NetWork/LinkState.h"
#include "NetWork/PhoneMgrCommand.h"
#include "codec/LinkCodes.h"
#include "codec/LinkFrame.h"
#include "codec/MsgPack.h"
#include "platform/Log.h"
#include "platform/Utf8.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <ctime>
#include <memory>
#include <vector>

namespace pd::link {

namespace {

using Slot = LinkState::Slot;

struct Body {
    msg::Decoded decoded;
    msg::View arr;
    std::int32_t result = 0;  // element 1, when the body has one
};

std::string textOf(msg::View v) {
    auto raw = v.asRaw();
    if (!raw || !isValidUtf8(*raw)) {
        return {};
    }
    return std::string(*raw);
}

// Decodes the body array and checks its element count, the request number (when asked) and
// that element 1 is an integer result code.
std::optional<Body> openBody(LinkState& state, std::string_view bytes, std::uint32_t count,
                             bool checkNumber) {
    auto decoded = msg::decode(bytes);
    if (!decoded) {
        return std::nullopt;
    }
    msg::View arr = decoded->root();
    if (!arr.isArray() || arr.size() != count) {
        return std::nullopt;
    }
    if (checkNumber) {
        auto number = arr[0].asInt64();
        if (!number || *number != state.m_ReqID.load()) {
            return std::nullopt;
        }
    }
    auto result = arr[1].asInt32();
    if (!result) {
        return std::nullopt;
    }
    PD_LOG_DEBUG("answer with result code {}", *result);
    Body body{std::move(*decoded), {}, *result};
    body.arr = body.decoded.root();
    return body;
}

// Integer value of a JSON member: a JSON integer or a text that is entirely a decimal integer.
std::optional<std::int64_t> jsonInteger(const nlohmann::json& obj, const char* key) {
    auto it = obj.find(key);
    if (it == obj.end()) {
        return std::nullopt;
    }
    if (it->is_number_integer()) {
        return it->get<std::int64_t>();
    }
    if (it->is_string()) {
        const auto& s = it->get_ref<const std::string&>();
        std::int64_t v = 0;
        auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (ec == std::errc() && ptr == s.data() + s.size() && !s.empty()) {
            return v;
        }
    }
    return std::nullopt;
}

void handleAuth(LinkState& state, std::string_view bytes) {
    auto body = openBody(state, bytes, 4, true);
    if (!body) {
        return;
    }
    if (body->result == kResultChallenge) {
        auto challenge = body->arr[2].asRaw();
        if (!challenge) {
            return;
        }
        const std::string nonce = makeNonce(std::time(nullptr));
        const std::string digest =
            proofDigest(state.m_DeviceInfo, nonce, state.m_InputPassWord, *challenge);
        state.queueRequest(kProof.number, kProof.code,
                           buildProofBody(state.m_DeviceInfo, nonce, *challenge, digest));
        return;
    }
    if (body->result == kResultSuccess) {
        auto ticket = body->arr[3].asRaw();
        if (!ticket) {
            return;
        }
        state.updateResults([&](LinkResults& r) {
            r.errorCode = 0;
            r.httpTicket = std::string(*ticket);
            r.authSucess = true;
        });
    } else {
        state.updateResults([&](LinkResults& r) { r.errorCode = body->result; });
    }
    state.callBlock(Slot::Command);
}

void handleHelloAccepted(LinkState& state, std::string_view bytes) {
    auto body = openBody(state, bytes, 3, true);
    if (!body) {
        return;
    }
    if (body->result == kResultSuccess) {
        auto ticket = body->arr[2].asRaw();
        if (!ticket) {
            return;
        }
        state.updateResults([&](LinkResults& r) {
            r.errorCode = 0;
            r.httpTicket = std::string(*ticket);
            r.authSucess = true;
        });
    } else {
        state.updateResults([&](LinkResults& r) { r.errorCode = body->result; });
    }
    state.callBlock(Slot::Command);
}

// Every refusal is stored, that of a folder listing too: a refusal code the controller does
// not tell apart must not leave the last success in place, or the previous folder's entries
// would be shown as if this listing had worked.
bool storesEveryRefusal(std::int32_t) {
    return true;
}

// A listing answer [number, result, ..., entries] with the entries last. Its elements are
// decoded one at a time (a whole tree of a 100,000-entry listing would take several times
// the records' memory). On success the entries that make records replace the stored list
// (entries of another shape are skipped); a list longer than kMaxListingEntries is refused
// as a failed listing. Then the slot's callback. A malformed body changes nothing.
template <typename T, typename Factory>
void handleListing(LinkState& state, std::string_view bytes, std::uint32_t count, Factory factory,
                   std::shared_ptr<const std::vector<T>> LinkResults::*list, Slot slot,
                   bool (*storesRefusal)(std::int32_t)) {
    auto body = msg::ArrayReader::open(bytes);
    if (!body || body->size() != count) {
        return;
    }
    const auto number = body->next();
    if (!number || number->asInt64() != state.m_ReqID.load()) {
        return;
    }
    const auto resultValue = body->next();
    const auto result = resultValue ? resultValue->asInt32() : std::nullopt;
    if (!result) {
        return;
    }
    for (std::uint32_t i = 2; i + 1 < count; ++i) {
        if (!body->nextBytes()) {
            return;
        }
    }
    if (*result == kResultSuccess) {
        // Each entry is checked as it is read, so the list is walked once.
        auto entries = msg::ArrayReader::open(body->rest());
        if (!entries) {
            return;
        }
        if (entries->size() > kMaxListingEntries) {
            PD_LOG_WARN("listing of {} entries refused (at most {})", entries->size(),
                        kMaxListingEntries);
            state.updateResults([](LinkResults& r) { r.errorCode = kResultListingTooLong; });
            state.callBlock(slot);
            return;
        }
        auto records = std::make_shared<std::vector<T>>();
        records->reserve(entries->size());  // bounded by the bytes of the body
        for (std::uint32_t i = 0; i < entries->size(); ++i) {
            const auto entry = entries->next();
            if (!entry) {
                return;
            }
            if (auto rec = factory(*entry)) {
                records->push_back(std::move(*rec));
            }
        }
        state.updateResults([&](LinkResults& r) {
            r.errorCode = 0;
            r.*list = std::move(records);
        });
    } else if (!body->nextBytes()) {
        return;
    } else if (storesRefusal(*result)) {
        state.updateResults([&](LinkResults& r) { r.errorCode = *result; });
    }
    state.callBlock(slot);
}

void handleResultOnly(LinkState& state, std::string_view bytes, bool sevenIsSuccess) {
    auto body = openBody(state, bytes, 2, true);
    if (!body) {
        return;
    }
    std::int32_t result = body->result;
    if (sevenIsSuccess && result == kResultClassAlreadyThere) {
        result = kResultSuccess;
    }
    state.updateResults([&](LinkResults& r) { r.errorCode = result; });
    state.callBlock(Slot::Command);
}

void handleCapture(LinkState& state, std::string_view bytes) {
    auto body = openBody(state, bytes, 3, true);
    if (!body) {
        return;
    }
    if (body->result == kResultSuccess) {
        auto image = body->arr[2].asRaw();
        if (!image) {
            return;
        }
        auto data = std::make_shared<const std::string>(*image);
        state.updateResults([&](LinkResults& r) {
            r.errorCode = 0;
            r.capture = std::move(data);
        });
    } else {
        state.updateResults([&](LinkResults& r) { r.errorCode = body->result; });
    }
    state.callBlock(Slot::Command);
}

void handleUploadPath(LinkState& state, std::string_view bytes) {
    auto body = openBody(state, bytes, 3, true);
    if (!body) {
        return;
    }
    if (body->result == kResultSuccess) {
        if (!body->arr[2].isRaw()) {
            return;
        }
        std::string path = textOf(body->arr[2]);
        state.updateResults([&](LinkResults& r) {
            r.errorCode = 0;
            r.backUpPath = std::move(path);
        });
    } else {
        state.updateResults([&](LinkResults& r) { r.errorCode = body->result; });
    }
    state.callBlock(Slot::Command);
}

void handleDirInfo(LinkState& state, std::string_view bytes) {
    auto body = openBody(state, bytes, 6, true);
    if (!body) {
        return;
    }
    if (body->result == kResultSuccess) {
        auto rsp = RspDirInfo::fromArray(body->arr);
        if (!rsp) {
            return;
        }
        DirInfoData info = DirInfoData::DirInfoWifhRsp(*rsp);
        state.updateResults([&](LinkResults& r) {
            r.errorCode = 0;
            r.dirInfo = std::move(info);
        });
    } else {
        state.updateResults([&](LinkResults& r) { r.errorCode = body->result; });
    }
    state.callBlock(Slot::Command);
}

// Splits at single spaces, as the computer formats reply lines (two spaces make an empty part).
std::vector<std::string_view> splitAtSpaces(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const auto space = line.find(' ', start);
        if (space == std::string_view::npos) {
            parts.push_back(line.substr(start));
            return parts;
        }
        parts.push_back(line.substr(start, space - start));
        start = space + 1;
    }
}

void handleFileCommandReply(LinkState& state, std::string_view bytes) {
    auto body = openBody(state, bytes, 4, false);
    if (!body || !body->arr[3].isRaw()) {
        return;
    }
    const std::string line = textOf(body->arr[3]);
    // Replies answer the phone's commands in order; a 226 ends a transfer and answers none.
    const bool answersCommand = leadingInt32(line) != 226;
    if (body->result != kResultSuccess) {
        if (answersCommand) {
            state.updateResults([](LinkResults& r) { ++r.fileReplySeq; });
        }
        return;
    }
    state.updateResults([&](LinkResults& r) {
        r.errorCode = 0;
        r.fileReplySeq += answersCommand ? 1 : 0;
    });

    const auto parts = splitAtSpaces(line);
    if (parts.size() == 2) {
        if (leadingInt32(parts[0]) == 227) {
            state.updateResults([&](LinkResults& r) {
                r.fileRspResult = std::string(parts[1]);
                r.filePasvErrorCode = 227;
            });
            state.callBlock(Slot::Command);
        }
        return;
    }
    // No digits (or a number beyond 32 bits) is an unexpected reply like any other code.
    const std::int32_t code = leadingInt32(line).value_or(0);
    switch (code) {
        case 200:
            state.updateResults([&](LinkResults& r) {
                r.filePasvErrorCode = code;
                r.fileRspResult = line;
            });
            break;
        case 226:
            state.updateResults([&](LinkResults& r) {
                r.filePasvErrorCode = code;
                r.fileRspResult = line;
                ++r.transfersDone;
            });
            state.callBlock(Slot::TransferDone);
            break;
        case 150:
            state.updateResults([&](LinkResults& r) {
                r.filePasvErrorCode = code;
                r.fileRspResult = line;
            });
            state.callBlock(Slot::Stor);
            break;
        default:
            state.updateResults([&](LinkResults& r) {
                r.filePasvErrorCode = code;
                r.fileRspResult.clear();
            });
            state.callBlock(Slot::Error);
            break;
    }
}

void handlePlugAnswer(LinkState& state, std::string_view bytes) {
    auto decoded = msg::decode(bytes);
    if (!decoded) {
        return;
    }
    msg::View arr = decoded->root();
    if (!arr.isArray() || arr.size() != 5) {
        return;
    }
    auto content = arr[4].asRaw();
    if (!content) {
        return;
    }
    const auto json = nlohmann::json::parse(content->begin(), content->end(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        return;
    }
    std::int32_t code = kResultPlugRefused;
    std::int32_t port = 0;
    if (jsonInteger(json, "c") == 1) {
        code = kResultPlugAccepted;
        if (json.contains("d")) {
            // A port must be usable; an acceptance without one (volume, music) carries none.
            auto d = jsonInteger(json, "d");
            if (d && *d >= 1 && *d <= 65535) {
                port = static_cast<std::int32_t>(*d);
            } else {
                code = kResultPlugRefused;
            }
        }
    }
    state.updateResults([&](LinkResults& r) {
        r.errorCode = code;
        if (code == kResultPlugAccepted) {
            r.handlePort = port;
        }
    });
    state.callBlock(Slot::Command);
}

// Re-encodes an echoed element (an integer or a raw, as the computer sends them).
bool packEcho(msg::Packer& p, msg::View v) {
    if (auto i = v.asInt64()) {
        p.integer(*i);
        return true;
    }
    if (auto u = v.asUInt64(); u && v.isInteger()) {
        p.uinteger(*u);
        return true;
    }
    if (auto raw = v.asRaw()) {
        p.raw(*raw);
        return true;
    }
    return false;
}

void handleComputerCommand(LinkState&, std::string_view bytes,
                           const std::shared_ptr<LinkState>& owner) {
    auto decoded = msg::decode(bytes);
    if (!decoded) {
        return;
    }
    msg::View arr = decoded->root();
    if (!arr.isArray() || arr.size() != 3 || !arr[2].isRaw()) {
        return;
    }
    // The reply echoes elements 0 and 1; pre-pack them now, the reply may come later.
    msg::Packer head;
    head.array(4);
    if (!packEcho(head, arr[0])) {
        return;
    }
    head.integer(kPhoneCommandReplyStatus);
    if (!packEcho(head, arr[1])) {
        return;
    }
    auto executor = makePhoneMgrCommand();
    if (!executor) {
        PD_LOG_DEBUG("file command from the computer ignored: no executor");
        return;
    }
    const std::string prefix(head.bytes());
    std::weak_ptr<LinkState> weak = owner;
    executor->CommandParse(textOf(arr[2]), [weak, prefix](const std::string& reply) {
        if (auto s = weak.lock(); s && !s->stopped.load()) {
            msg::Packer tail;
            tail.raw(reply);
            s->queueMessage(kPhoneCommandReply, prefix + std::string(tail.bytes()));
        }
    });
}

}  // namespace

std::optional<std::int32_t> leadingInt32(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    const char* begin = text.data() + i;
    const char* end = text.data() + text.size();
    if (begin < end && *begin == '+') {
        ++begin;
    }
    std::int32_t value = 0;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr == begin) {
        return std::nullopt;
    }
    return value;
}

void dispatchPayload(const std::shared_ptr<LinkState>& owner, std::string_view payload) {
    LinkState& state = *owner;
    auto envelope = decodeEnvelope(payload);
    if (!envelope) {
        return;
    }
    const std::string_view body = envelope->body;
    PD_LOG_DEBUG("received message {} ({} bytes)", envelope->code, body.size());
    switch (envelope->code) {
        case kAnswerAuth:
            handleAuth(state, body);
            break;
        case kAnswerHelloAccepted:
            handleHelloAccepted(state, body);
            break;
        case kAnswerFolder:
            handleListing<FileInfoData>(state, body, 4, &FileInfoData::FileInfoWifhArr,
                                        &LinkResults::fileInfo, Slot::Command, storesEveryRefusal);
            break;
        case kAnswerLockScreen:
        case kAnswerStandby:
        case kAnswerReboot:
        case kAnswerShutdown:
        case kAnswerDelClassify:
            handleResultOnly(state, body, false);
            break;
        case kAnswerAddClassify:
            handleResultOnly(state, body, true);
            break;
        case kAnswerCapture:
            handleCapture(state, body);
            break;
        case kAnswerClassify:
            handleListing<FileClassifyData>(state, body, 4, &FileClassifyData::FileClassifyWifhArr,
                                            &LinkResults::fileClassify, Slot::Command,
                                            storesEveryRefusal);
            break;
        case kAnswerUploadPath:
            handleUploadPath(state, body);
            break;
        case kAnswerDirInfo:
            handleDirInfo(state, body);
            break;
        case kAnswerWifiList:
            // The hotspot list answers in its own slot.
            handleListing<WifiListItemData>(state, body, 3, &WifiListItemData::WifiListWifhArr,
                                            &LinkResults::wifiList, Slot::Wifi, storesEveryRefusal);
            break;
        case kAnswerFileCommand:
            handleFileCommandReply(state, body);
            break;
        case kPlugAnswer:
            handlePlugAnswer(state, body);
            break;
        case kComputerFileCommand:
            handleComputerCommand(state, body, owner);
            break;
        default:
            break;
    }
}

}  // namespace pd::link
