// The answers the tests against the peer do not reach (between them they run every request
// once and check each answer's code, shape and stored result): refused class changes, the upload
// channel's reply lines, plug messages, and requests that get no answer.

#include "PeerTestSupport.h"
#include "RequestDispatcher.h"
#include "support/ScriptedComputer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace pd::peer {
namespace {

using pd::test::I;
using pd::test::pack;
using pd::test::R;

using Answered = test::Message;

class RequestDispatcherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto root = dir_.path() / "disk";
        test::writeFile(root / "sys" / "Music" / "a.mp3", 100);
        test::writeFile(root / "sys" / "readme.txt", 3);
        disk_ = DiskTree::open(root);
        ASSERT_TRUE(disk_);
        classes_ = std::make_unique<ClassStore>(dir_.path() / "disk.classes.json");
        ServicePorts ports;
        ports.gamepad = 5050;
        dispatcher_ = std::make_unique<RequestDispatcher>(*disk_, *classes_, ports, "127.0.0.1");
    }

    std::optional<Answered> call(std::int32_t code, const std::string& bytes) {
        std::optional<msg::Decoded> request = msg::decode(bytes);
        std::optional<PeerAnswer> a =
            request ? dispatcher_->handle(code, request->root()) : std::nullopt;
        if (!a) {
            return std::nullopt;
        }
        return test::message(a->code, std::move(a->body));
    }

    std::int32_t classChange(std::int32_t code, const std::string& path, std::int32_t id) {
        std::optional<Answered> a = call(code, pack({I(code == 31 ? 3001 : 3002), R(path), I(id)}));
        return a ? a->root()[1].asInt32().value_or(-1) : -1;
    }

    std::string uploadCommand(const std::string& line) {
        std::optional<Answered> a = call(100, pack({I(4000), I(99999), R(line)}));
        return a ? std::string(a->text(3)) : "<no answer>";
    }

    nlohmann::json plug(const std::string& id, const std::string& content) {
        std::optional<Answered> a = call(26, pack({I(5000), R(id), R(""), I(0), R(content)}));
        if (!a || a->code != 26 || a->root().size() != 5) {
            return nullptr;
        }
        return nlohmann::json::parse(a->text(4), nullptr, false);
    }

    test::TempFolder dir_;
    std::optional<DiskTree> disk_;
    std::unique_ptr<ClassStore> classes_;
    std::unique_ptr<RequestDispatcher> dispatcher_;
};

TEST_F(RequestDispatcherTest, ClassChangesAndTheirRefusals) {
    EXPECT_EQ(classChange(31, "C:/Music", 4096), kOk);
    EXPECT_EQ(classChange(31, "c:\\Music\\", 4096), 7);  // another spelling: already a member
    EXPECT_EQ(classChange(31, "C:/readme.txt", 4096), kNotFolder);
    EXPECT_EQ(classChange(31, "C:/nowhere", 4096), kNotFound);
    EXPECT_EQ(classChange(31, "C:/Music", 17), kInvalidRequest);

    // Members are named the computer's way, with a real time after 1970.
    std::optional<Answered> list = call(30, pack({I(3000), I(4096)}));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->root()[3].size(), 1u);
    msg::View member = list->root()[3][0];
    ASSERT_EQ(member.size(), 6u);
    EXPECT_EQ(member[0].asRaw(), "C:\\Music");
    EXPECT_EQ(member[1].asInt32(), 1);
    EXPECT_GT(*member[3].asUInt64(), 116444736000000000u);

    EXPECT_EQ(classChange(32, "C:/Music", 4096), kOk);
    EXPECT_EQ(classChange(32, "C:/Music", 4096), kNotFound);
}

TEST_F(RequestDispatcherTest, UploadChannelRepliesAreFtpStyleLines) {
    EXPECT_EQ(uploadCommand("STOR IMG 0001.JPG"), "150 Opening data connection");
    EXPECT_EQ(uploadCommand("STOR "), "501 Missing file name");
    EXPECT_EQ(uploadCommand("QUIT"), "221 Goodbye");
    EXPECT_EQ(uploadCommand("RETR x"), "500 Unknown command");
}

TEST_F(RequestDispatcherTest, PlugMessagesAcceptOnlyWhatIsThere) {
    EXPECT_EQ(plug("3", R"({"c":"play"})"), (nlohmann::json{{"c", "1"}}));
    EXPECT_EQ(plug("4", R"({"c":"next"})"), (nlohmann::json{{"c", "1"}}));
    EXPECT_EQ(plug("5", R"({"c":"start"})"), (nlohmann::json{{"c", "1"}, {"d", "5050"}}));
    EXPECT_EQ(plug("6", R"({"c":"start"})"), (nlohmann::json{{"c", "0"}}));  // no audio receiver
    EXPECT_EQ(plug("1", "not json"), (nlohmann::json{{"c", "0"}}));
    EXPECT_EQ(plug("1", "[1,2]"), (nlohmann::json{{"c", "0"}}));
    EXPECT_EQ(plug("9", "{}"), (nlohmann::json{{"c", "0"}}));
}

// At the link's start a script's first state is listed as the phone decodes it: nine elements.
TEST_F(RequestDispatcherTest, HotspotListFollowsTheScript) {
    auto parsed = HotspotScript::parse("AT 0\nDesk PC|02:00:00:00:00:09|99.5|1\nAT 3600\n");
    ASSERT_TRUE(std::holds_alternative<HotspotScript>(parsed));
    dispatcher_->setHotspotScript(
        std::make_shared<const HotspotScript>(std::get<HotspotScript>(std::move(parsed))));
    std::optional<Answered> list = call(40, pack({I(6000)}));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->code, 1040);
    ASSERT_EQ(list->root()[2].size(), 1u);
    msg::View device = list->root()[2][0];
    ASSERT_EQ(device.size(), 9u);
    EXPECT_EQ(device[0].asRaw(), "Desk PC");
    EXPECT_EQ(device[1].asRaw(), "02:00:00:00:00:09");
    EXPECT_EQ(device[2].asRaw(), "99.5");
    EXPECT_EQ(device[5].asInt32(), kConnTypeBlocked);
}

TEST_F(RequestDispatcherTest, MalformedOrUnknownRequestsAreNotAnswered) {
    EXPECT_FALSE(call(1, pack({I(266), R("C:"), R("extra")})));  // wrong count
    EXPECT_FALSE(call(1, pack({I(266), I(5)})));                 // wrong type
    EXPECT_FALSE(call(1, pack({R("x"), R("C:")})));              // no number
    EXPECT_FALSE(call(77, pack({I(1)})));                        // unknown
    // The phone's reply to one of our file commands needs no answer.
    EXPECT_FALSE(call(1100, pack({I(1), I(200), I(100000), R("200 OK")})));
}

}  // namespace
}  // namespace pd::peer
