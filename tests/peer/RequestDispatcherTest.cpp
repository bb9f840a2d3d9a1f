#include "PeerTestSupport.h"
#include "RequestDispatcher.h"
#include "support/ScriptedComputer.h"

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>

namespace pd::peer {
namespace {

namespace fs = std::filesystem;
using pd::test::A;
using pd::test::I;
using pd::test::pack;
using pd::test::R;

// An answer kept together with its decoded body.
struct Answered {
    std::int32_t code = 0;
    std::shared_ptr<const std::string> body;
    std::shared_ptr<const msg::Decoded> decoded;
    msg::View root() const { return decoded ? decoded->root() : msg::View(); }
    std::string text(std::uint32_t i) const { return std::string(root()[i].asRaw().value_or("")); }
    std::int32_t integer(std::uint32_t i) const { return root()[i].asInt32().value_or(-999); }
};

class RequestDispatcherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = dir_.path() / "disk";
        test::writeFile(root_ / "sys" / "Music" / "a.mp3", 100);
        test::writeFile(root_ / "sys" / "Music" / "sub" / "b.mp3", 20);
        test::writeFile(root_ / "sys" / "readme.txt", 3);
        disk_ = DiskTree::open(root_);
        ASSERT_TRUE(disk_);
        classes_ = std::make_unique<ClassStore>(dir_.path() / "disk.classes.json");
        ServicePorts ports;
        ports.upload = 4567;
        ports.gamepad = 5050;
        dispatcher_ = std::make_unique<RequestDispatcher>(*disk_, *classes_, ports, "127.0.0.1");
    }

    std::optional<Answered> call(std::int32_t code, msg::Packer& body) {
        return call(code, body.take());
    }
    std::optional<Answered> call(std::int32_t code, const std::string& bytes) {
        std::optional<msg::Decoded> request = msg::decode(bytes);
        if (!request) {
            return std::nullopt;
        }
        std::optional<PeerAnswer> a = dispatcher_->handle(code, request->root());
        if (!a) {
            return std::nullopt;
        }
        Answered out;
        out.code = a->code;
        out.body = std::make_shared<const std::string>(std::move(a->body));
        if (std::optional<msg::Decoded> d = msg::decode(*out.body)) {
            out.decoded = std::make_shared<const msg::Decoded>(std::move(*d));
        }
        return out;
    }

    std::optional<Answered> classCall(std::int32_t code, std::int32_t number,
                                      const std::string& path, std::int32_t id) {
        return call(code, pack({I(number), R(path), I(id)}));
    }

    std::string uploadCommand(const std::string& line) {
        std::optional<Answered> a = call(100, pack({I(4000), I(99999), R(line)}));
        return a ? a->text(3) : "<no answer>";
    }

    nlohmann::json plug(const std::string& id, const std::string& content) {
        std::optional<Answered> a = call(26, pack({I(5000), R(id), R(""), I(0), R(content)}));
        if (!a || a->code != 26 || a->root().size() != 5) {
            return nullptr;
        }
        return nlohmann::json::parse(a->text(4), nullptr, false);
    }

    test::TempFolder dir_;
    fs::path root_;
    std::optional<DiskTree> disk_;
    std::unique_ptr<ClassStore> classes_;
    std::unique_ptr<RequestDispatcher> dispatcher_;
};

// Every request the phone sends, answered with its code, its element count and the request's
// number, for both ends of the link to agree on.
TEST_F(RequestDispatcherTest, EveryRequestGetsItsAnswerCodeAndElementCount) {
    struct Case {
        std::int32_t code;
        std::string body;
        std::int32_t answerCode;
        std::uint32_t elements;
        std::optional<std::int32_t> number;  // nullopt where element 0 is not the number
    };
    const Case cases[] = {
        {1, pack({I(266), R("")}), 1001, 4, 266},
        {20, pack({I(1001)}), 1020, 2, 1001},
        {23, pack({I(1002)}), 1023, 3, 1002},
        {25, pack({I(1003)}), 1025, 2, 1003},
        {24, pack({I(1004)}), 1024, 2, 1004},
        {22, pack({I(1005)}), 1022, 2, 1005},
        {30, pack({I(3000), I(1)}), 1030, 4, 3000},
        {31, pack({I(3001), R("C:/Music"), I(1)}), 1031, 2, 3001},
        {32, pack({I(3002), R("C:/Music"), I(1)}), 1032, 2, 3002},
        {35, pack({I(267), R("C:")}), 1035, 6, 267},
        {38, pack({I(4001), I(0)}), 1038, 3, 4001},
        {40, pack({I(6000)}), 1040, 3, 6000},
        {100, pack({I(4000), I(99999), R("QUIT")}), 1100, 4, std::nullopt},
        {26, pack({I(5000), R("1"), R(""), I(0), R(R"({"c":"1"})")}), 26, 5, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        std::optional<Answered> a = call(c.code, c.body);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->code, c.answerCode);
        EXPECT_EQ(a->root().size(), c.elements);
        if (c.number) {
            EXPECT_EQ(a->integer(0), *c.number);
            EXPECT_EQ(a->integer(1), kOk);
        }
    }
    // The capture is a JPEG; the hotspot list has nine-element entries, one the phone itself.
    EXPECT_EQ(call(23, pack({I(1002)}))->text(2).substr(0, 2), "\xFF\xD8");
    std::optional<Answered> clients = call(40, pack({I(6000)}));
    bool self = false;
    for (std::uint32_t i = 0; i < clients->root()[2].size(); ++i) {
        EXPECT_EQ(clients->root()[2][i].size(), 9u);
        self = self || clients->root()[2][i][5].asInt32() == 2;
    }
    EXPECT_TRUE(self);
}

TEST_F(RequestDispatcherTest, FolderListingEntriesHaveSixElements) {
    std::optional<Answered> a = call(1, pack({I(266), R("C:/Music")}));
    ASSERT_TRUE(a);
    msg::View entries = a->root()[3];
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].size(), 6u);
    EXPECT_EQ(entries[0][0].asRaw(), "sub");
    EXPECT_EQ(entries[0][1].asInt32(), kKindFolder);
    EXPECT_EQ(entries[1][0].asRaw(), "a.mp3");
    EXPECT_EQ(entries[1][2].asUInt64(), 100u);

    a = call(1, pack({I(266), R("C:/../..")}));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->integer(1), kNotFound);
    EXPECT_EQ(a->root()[3].size(), 0u);
}

TEST_F(RequestDispatcherTest, ClassesAddListAndRemoveMembers) {
    EXPECT_EQ(classCall(31, 3001, "C:/Music", 4096)->integer(1), kOk);
    EXPECT_EQ(classCall(31, 3001, "c:\\Music\\", 4096)->integer(1), kAlreadyMember);
    EXPECT_EQ(classCall(31, 3001, "C:/readme.txt", 4096)->integer(1), kNotFolder);
    EXPECT_EQ(classCall(31, 3001, "C:/nowhere", 4096)->integer(1), kNotFound);
    EXPECT_EQ(classCall(31, 3001, "C:/Music", 17)->integer(1), kInvalidRequest);

    std::optional<Answered> list = call(30, pack({I(3000), I(4096)}));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->root()[3].size(), 1u);
    msg::View member = list->root()[3][0];
    ASSERT_EQ(member.size(), 6u);
    EXPECT_EQ(member[0].asRaw(), "C:\\Music");
    EXPECT_EQ(member[1].asInt32(), 1);
    EXPECT_GT(*member[3].asUInt64(), 116444736000000000u);  // a real time after 1970

    EXPECT_EQ(classCall(32, 3002, "C:/Music", 4096)->integer(1), kOk);
    EXPECT_EQ(classCall(32, 3002, "C:/Music", 4096)->integer(1), kNotFound);
}

TEST_F(RequestDispatcherTest, FolderStatisticsAnswer) {
    std::optional<Answered> a = call(35, pack({I(267), R("C:/Music")}));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->text(2), "C:/Music");
    EXPECT_EQ(a->integer(3), 2);  // files
    EXPECT_EQ(a->integer(4), 1);  // folders
    EXPECT_EQ(a->root()[5].asUInt64(), 120u);
}

TEST_F(RequestDispatcherTest, UploadChannelRepliesAreFtpStyleLines) {
    EXPECT_EQ(uploadCommand("PASV"), "227 127.0.0.1:4567");
    EXPECT_EQ(uploadCommand("STOR IMG 0001.JPG"), "150 Opening data connection");
    EXPECT_EQ(dispatcher_->announcedUpload(), "IMG 0001.JPG");
    EXPECT_EQ(uploadCommand("STOR "), "501 Missing file name");
    EXPECT_EQ(uploadCommand("QUIT"), "221 Goodbye");
    EXPECT_EQ(uploadCommand("RETR x"), "500 Unknown command");

    // Without a data listener the peer says so instead of naming a port nobody listens on.
    dispatcher_ =
        std::make_unique<RequestDispatcher>(*disk_, *classes_, ServicePorts{}, "127.0.0.1");
    EXPECT_EQ(uploadCommand("PASV").substr(0, 4), "425 ");
}

TEST_F(RequestDispatcherTest, PlugMessagesAcceptOnlyWhatIsThere) {
    EXPECT_EQ(plug("1", R"({"c":"up"})"), (nlohmann::json{{"c", "1"}}));
    EXPECT_EQ(plug("3", R"({"c":"play"})"), (nlohmann::json{{"c", "1"}}));
    EXPECT_EQ(plug("4", R"({"c":"next"})"), (nlohmann::json{{"c", "1"}}));
    EXPECT_EQ(plug("5", R"({"c":"start"})"), (nlohmann::json{{"c", "1"}, {"d", "5050"}}));
    EXPECT_EQ(plug("6", R"({"c":"start"})"), (nlohmann::json{{"c", "0"}}));  // no audio receiver
    EXPECT_EQ(plug("1", "not json"), (nlohmann::json{{"c", "0"}}));
    EXPECT_EQ(plug("1", "[1,2]"), (nlohmann::json{{"c", "0"}}));
    EXPECT_EQ(plug("9", "{}"), (nlohmann::json{{"c", "0"}}));
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
