#include "NetWork/LinkDispatcher.h"

#include "NetWork/LinkHandshake.h"
#include "NetWork/LinkState.h"
#include "NetWork/PhoneMgrCommand.h"
#include "codec/LinkCodes.h"
#include "codec/LinkFrame.h"
#include "codec/MsgPack.h"
#include "platform/Md5.h"
#include "support/ScriptedComputer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>

using namespace pd;
using namespace pd::test;
using Slot = LinkState::Slot;

namespace {

std::string payload(std::int64_t code, std::vector<Elem> elems) {
    return link::encodeEnvelope(static_cast<std::int32_t>(code), pack(std::move(elems)));
}
Elem fileEntry(std::string name, std::int64_t kind = 0) {
    return A({R(std::move(name)), I(kind), I(1234), I(133000000000000000), R("desc"), I(0)});
}

class Dispatcher : public ::testing::Test {
  protected:
    void SetUp() override {
        state = std::make_shared<LinkState>();
        state->m_DeviceInfo = "Simulator-0123456789ABCDEF";
        state->m_InputPassWord = "123456";
        // The first message of a link is the hello; take it out of the way.
        state->queueMessage(0, {});
        std::string frame;
        ASSERT_TRUE(state->takeOutbox(frame));
    }
    void dispatch(const std::string& p) { link::dispatchPayload(state, p); }
    // Registers a counting callback in a slot.
    int* counter(Slot slot) {
        int* c = &counts.emplace_back(0);
        state->setBlock(slot, [c] { ++*c; });
        return c;
    }
    // The code of the message in the outbox, if any; its body goes to `sentBody`.
    std::optional<std::int64_t> outbox() {
        std::string frame;
        if (!state->takeOutbox(frame)) {
            return std::nullopt;
        }
        auto env = link::decodeEnvelope(std::string_view(frame).substr(link::kHeaderSize));
        sentBody = env ? std::string(env->body) : std::string();
        return env ? std::optional(env->code) : std::nullopt;
    }

    std::shared_ptr<LinkState> state;
    std::deque<int> counts;  // stays where it is as it grows
    std::string sentBody;
};

}  // namespace

TEST_F(Dispatcher, ChallengeIsAnsweredWithTheProofAndAcceptanceStoresTheTicket) {
    int* done = counter(Slot::Command);
    dispatch(payload(1000, {I(255), I(1), R("CHALLENGE"), R("")}));
    EXPECT_EQ(*done, 0);  // a challenge is not a final answer
    ASSERT_EQ(outbox(), 0);
    const auto sent = msg::decode(sentBody);
    ASSERT_TRUE(sent);
    const std::string nonce(sent->root()[4].asRaw().value_or(""));
    EXPECT_EQ(nonce.size(), 8u);
    EXPECT_TRUE(
        std::all_of(nonce.begin(), nonce.end(), [](unsigned char c) { return std::isalnum(c); }));
    EXPECT_NE(link::makeNonce(1700000000), link::makeNonce(1700000001));
    const std::string& device = state->m_DeviceInfo;
    EXPECT_EQ(sentBody, pack({I(256), R(device), I(2), R("AUTH1"), R(nonce), R("CHALLENGE"),
                              R(md5HexLower(device + nonce + "123456" + "CHALLENGE")),
                              R("00:00:00:11:11:11")}));

    // An answer to the hello's number is stale now.
    dispatch(payload(1000, {I(255), I(0), R(""), R("old")}));
    EXPECT_EQ(*done, 0);
    dispatch(payload(1000, {I(256), I(0), R(""), R("TICKET")}));
    EXPECT_EQ(*done, 1);
    const LinkResults r = state->snapshot();
    EXPECT_TRUE(r.authSucess);
    EXPECT_EQ(r.httpTicket, "TICKET");
    EXPECT_EQ(r.errorCode, 0);
}

TEST_F(Dispatcher, MalformedOrStaleAnswersChangeNothing) {
    state->m_ReqID.store(266);
    int* done = counter(Slot::Command);
    const std::vector<std::string> bad = {
        payload(1001, {I(266), I(0), I(0)}),                       // wrong count
        payload(1001, {I(267), I(0), I(0), A({fileEntry("x")})}),  // stale number
        payload(1001, {I(266 + (1ll << 32)), I(0), I(0), A({})}),  // beyond 32 bits
        payload(1001, {R("266"), I(0), I(0), A({})}),              // number not an integer
        payload(1001, {I(266), R("0"), I(0), A({})}),              // result not an integer
        payload(1001, {I(266), I(0), I(0), R("not a list")}),      // entries not a list
        payload(4242, {I(266), I(0)}),                             // unknown code
        std::string("\x92\xcd\x03\xe9\xa3\x93\xd9\x00", 8),        // str8 inside the body
    };
    for (const auto& p : bad) {
        dispatch(p);
    }
    EXPECT_EQ(*done, 0);
    const LinkResults r = state->snapshot();
    EXPECT_EQ(r.errorCode, 6);
    EXPECT_TRUE(r.fileInfo->empty());
}

TEST_F(Dispatcher, FolderListingKeepsOnlySixElementEntriesAndAtMostTheMaximum) {
    state->m_ReqID.store(266);
    int* done = counter(Slot::Command);
    dispatch(payload(1001, {I(266), I(0), I(0),
                            A({A({R("short"), I(0), I(1), I(2), R("")}), fileEntry("a.txt"),
                               A({I(5), I(0), I(1), I(2), R(""), I(0)}), fileEntry("dir", 1)})}));
    EXPECT_EQ(*done, 1);
    // A reader keeps the listing it took while new answers arrive.
    const FileInfoList held = state->snapshot().fileInfo;
    ASSERT_EQ(held->size(), 2u);
    EXPECT_EQ((*held)[0].name, "a.txt");
    EXPECT_EQ((*held)[1].isDir, 1);

    // A refusal still answers, keeps the listing and is stored, whatever its code: an unknown
    // one must not leave the last success in place. So is a listing longer than the maximum;
    // its entries are nil (one byte each, skipped as malformed) so that only the count matters.
    const auto listing = [](std::int32_t result, std::uint32_t entries) {
        msg::Packer body;
        body.array(4).integer(266).integer(result).integer(0).array(entries);
        return link::encodeEnvelope(1001, std::string(body.bytes()) + std::string(entries, '\xC0'));
    };
    const std::tuple<std::string, std::int32_t, std::size_t> answers[] = {
        {listing(3, 0), 3, 2},
        {listing(4, 0), 4, 2},
        {listing(0, link::kMaxListingEntries + 1), link::kResultListingTooLong, 2},
        {listing(0, link::kMaxListingEntries), 0, 0},
    };
    for (const auto& [answer, errorCode, kept] : answers) {
        done = counter(Slot::Command);
        dispatch(answer);
        EXPECT_EQ(*done, 1) << errorCode;
        EXPECT_EQ(state->snapshot().errorCode, errorCode);
        EXPECT_EQ(state->snapshot().fileInfo->size(), kept) << errorCode;
    }
    EXPECT_EQ(held->size(), 2u);
}

// Each answer calls its slot (and no other) once and stores what it carries.
TEST_F(Dispatcher, EachAnswerStoresWhatItCarries) {
    struct Case {
        const char* name;
        std::int32_t number;
        std::string payload;
        std::function<bool(const LinkResults&)> stored;
        Slot slot = Slot::Command;
    };
    const Case cases[] = {
        {"handshake refusal", 256, payload(1000, {I(256), I(2), R(""), R("")}),
         [](const LinkResults& r) { return r.errorCode == 2 && !r.authSucess; }},
        {"direct acceptance", 255, payload(1039, {I(255), I(0), R("T")}),
         [](const LinkResults& r) { return r.authSucess && r.httpTicket == "T"; }},
        {"class success is seven", 3001, payload(1031, {I(3001), I(7)}),
         [](const LinkResults& r) { return r.errorCode == 0; }},
        {"power refusal", 1003, payload(1025, {I(1003), I(9)}),
         [](const LinkResults& r) { return r.errorCode == 9; }},
        {"backup folder", 4001, payload(1038, {I(4001), I(0), R("D:/Backup")}),
         [](const LinkResults& r) { return r.backUpPath == "D:/Backup"; }},
        {"capture with a zero byte", 1002,
         payload(1023, {I(1002), I(0), R(std::string("\xff\xd8\xff\x00jpeg", 8))}),
         [](const LinkResults& r) { return r.capture->size() == 8u; }},
        {"folder statistics", 267, payload(1035, {I(267), I(0), R("C:/x"), I(3), I(2), I(999)}),
         [](const LinkResults& r) {
             return r.dirInfo.pathName == "C:/x" && r.dirInfo.fileCount == 3 &&
                    r.dirInfo.dirCount == 2 && r.dirInfo.dirSize == 999u;
         }},
        {"hotspot list, short entries skipped", 6000,
         payload(
             1040,
             {I(6000), I(0),
              A({A({R("Pixel"), R("aa:bb"), R("12.5"), I(60), I(1), I(2), I(3), I(4), R("imei")}),
                 A({R("short")})})}),
         [](const LinkResults& r) {
             return r.wifiList->size() == 1 && (*r.wifiList)[0].connType == 2;
         },
         Slot::Wifi},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state->m_ReqID.store(c.number);
        std::map<Slot, int*> calls;
        for (Slot s : {Slot::Command, Slot::Wifi}) {
            calls[s] = counter(s);
        }
        dispatch(c.payload);
        for (const auto& [slot, count] : calls) {
            EXPECT_EQ(*count, slot == c.slot ? 1 : 0);
        }
        EXPECT_TRUE(c.stored(state->snapshot()));
    }
}

// In order: each line with the slot it calls and the code and result it leaves stored, where
// they matter. Every reply but a 226 (which ends a transfer and answers no command) counts as
// the answer to the next command.
TEST_F(Dispatcher, UploadChannelReplyLines) {
    struct Case {
        std::string line;
        std::optional<Slot> calls;
        std::optional<std::int32_t> code;
        std::optional<std::string> result;
        std::uint64_t replies;
    };
    const Case cases[] = {
        {"227 192.168.1.5:2121", Slot::Command, 227, "192.168.1.5:2121", 1},
        {"150 ok", std::nullopt, {}, {}, 2},  // two parts, not 227: nothing but the result code
        {"150", Slot::Stor, 150, {}, 3},
        {"226 Transfer complete here", std::nullopt, 226, {}, 3},
        {"226 done", std::nullopt, {}, {}, 3},
        {"227 a b c", Slot::Error, 227, "", 4},               // more than one space: unexpected
        {"99999999999 overflow too", Slot::Error, 0, {}, 5},  // beyond 32 bits: no number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::map<Slot, int*> calls;
        for (Slot s : {Slot::Command, Slot::Stor, Slot::Error}) {
            calls[s] = counter(s);
        }
        dispatch(payload(1100, {I(0), I(0), I(0), R(c.line)}));
        for (const auto& [slot, count] : calls) {
            EXPECT_EQ(*count, c.calls == slot ? 1 : 0);
        }
        if (c.code) {
            EXPECT_EQ(state->snapshot().filePasvErrorCode, *c.code);
        }
        if (c.result) {
            EXPECT_EQ(state->snapshot().fileRspResult, *c.result);
        }
        EXPECT_EQ(state->snapshot().fileReplySeq, c.replies);
    }
    int* error = counter(Slot::Error);
    dispatch(payload(1100, {I(0), I(1), I(0), R("500 refused")}));  // result not 0: dropped
    EXPECT_EQ(*error, 0);
    EXPECT_EQ(state->snapshot().fileReplySeq, 6u);  // but it answered a command
}

// Upload-channel commands count when the link writes them; one replaced in the outbox before
// it went out never does, so no reply is expected for it.
TEST_F(Dispatcher, UploadCommandsCountWhenWritten) {
    std::uint64_t before = 99;
    state->queueRequest(4000, 100, pack({I(4000), I(99999), R("QUIT")}), &before);
    EXPECT_EQ(before, 0u);
    state->queueRequest(4000, 100, pack({I(4000), I(99999), R("PASV")}), &before);
    EXPECT_EQ(outbox(), 100);
    state->queueRequest(266, 1, pack({I(266), R("C:/")}), &before);
    EXPECT_EQ(before, 1u);
    EXPECT_EQ(outbox(), 1);
    EXPECT_EQ(state->snapshot().fileCommandsSent, 1u);
}

// In order: the error code and port each plug answer leaves; a refusal keeps the last port.
TEST_F(Dispatcher, PlugAnswers) {
    struct Case {
        const char* json;
        std::int32_t errorCode;
        std::int32_t handlePort;
    };
    const Case cases[] = {
        {R"({"c":1,"d":5050})", 101, 5050},
        {R"({"c":"1","d":"6060"})", 101, 6060},
        {R"({"c":0})", 102, 6060},
        {R"({"c":1,"d":70000})", 102, 6060},
        {R"({"c":1,"d":"12ab"})", 102, 6060},
        {R"({"c":"1"})", 101, 0},  // volume and music carry no port
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        counter(Slot::Command);
        dispatch(payload(26, {I(0), I(0), I(0), I(0), R(c.json)}));
        EXPECT_EQ(state->snapshot().errorCode, c.errorCode);
        EXPECT_EQ(state->snapshot().handlePort, c.handlePort);
    }
    int* done = counter(Slot::Command);
    dispatch(payload(26, {I(0), I(0), I(0), I(0), R("not json")}));
    dispatch(payload(26, {I(0), I(0), I(0), I(0), R("[1,2]")}));
    dispatch(payload(26, {I(0), I(0), I(0), R("{}")}));
    EXPECT_EQ(*done, 0);
    EXPECT_EQ(state->snapshot().errorCode, 101);  // unchanged by content that is not an object
}

TEST_F(Dispatcher, CallbackThatRegistersAgainKeepsItsNewRegistrationAndLaterAnswersAreStored) {
    state->m_ReqID.store(1001);
    int second = 0;
    state->setBlock(Slot::Command, [&] { state->setBlock(Slot::Command, [&] { ++second; }); });
    dispatch(payload(1020, {I(1001), I(0)}));
    EXPECT_EQ(second, 0);
    dispatch(payload(1020, {I(1001), I(0)}));
    EXPECT_EQ(second, 1);
    // With no callback left an answer is still stored.
    dispatch(payload(1020, {I(1001), I(5)}));
    EXPECT_EQ(second, 1);
    EXPECT_EQ(state->snapshot().errorCode, 5);
}

namespace {
class EchoCommand : public PhoneMgrCommand {
  public:
    void CommandParse(const std::string& line, ReplyBlock usingBlock) override {
        usingBlock("200 " + line);
    }
};
}  // namespace

TEST_F(Dispatcher, ComputerFileCommandsAreRepliedThroughTheOutbox) {
    // Without an executor there is no reply.
    dispatch(payload(100, {I(7), I(8), R("LIST /")}));
    EXPECT_FALSE(outbox());

    setPhoneMgrCommandFactory([] { return std::make_shared<EchoCommand>(); });
    state->m_ReqID.store(266);
    dispatch(payload(100, {I(7), I(8), R("LIST /")}));
    setPhoneMgrCommandFactory(nullptr);
    ASSERT_EQ(outbox(), 1100);
    EXPECT_EQ(sentBody, pack({I(7), I(200), I(8), R("200 LIST /")}));
    EXPECT_EQ(state->m_ReqID.load(), 266);  // the reply does not change the request number
}
