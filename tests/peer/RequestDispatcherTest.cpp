#include "PeerTestSupport.h"
#include "RequestDispatcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>

namespace pd::peer {
namespace {

namespace fs = std::filesystem;

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
        std::string bytes = body.take();
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
        msg::Packer p;
        p.array(3).integer(number).raw(path).integer(id);
        return call(code, p);
    }

    std::string uploadCommand(const std::string& line) {
        msg::Packer p;
        p.array(3).integer(4000).integer(99999).raw(line);
        std::optional<Answered> a = call(100, p);
        return a ? a->text(3) : "<no answer>";
    }

    nlohmann::json plug(const std::string& id, const std::string& content) {
        msg::Packer p;
        p.array(5).integer(5000).raw(id).raw("").integer(0).raw(content);
        std::optional<Answered> a = call(26, p);
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

TEST_F(RequestDispatcherTest, FolderListingEntriesHaveSixElements) {
    msg::Packer p;
    p.array(2).integer(266).raw("C:/Music");
    std::optional<Answered> a = call(1, p);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->code, 1001);
    ASSERT_EQ(a->root().size(), 4u);
    EXPECT_EQ(a->integer(0), 266);
    EXPECT_EQ(a->integer(1), kOk);
    msg::View entries = a->root()[3];
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].size(), 6u);
    EXPECT_EQ(entries[0][0].asRaw(), "sub");
    EXPECT_EQ(entries[0][1].asInt32(), kKindFolder);
    EXPECT_EQ(entries[1][0].asRaw(), "a.mp3");
    EXPECT_EQ(entries[1][2].asUInt64(), 100u);

    msg::Packer missing;
    missing.array(2).integer(266).raw("C:/../..");
    a = call(1, missing);
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

    msg::Packer p;
    p.array(2).integer(3000).integer(4096);
    std::optional<Answered> list = call(30, p);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->code, 1030);
    ASSERT_EQ(list->root().size(), 4u);
    ASSERT_EQ(list->root()[3].size(), 1u);
    msg::View member = list->root()[3][0];
    ASSERT_EQ(member.size(), 6u);
    EXPECT_EQ(member[0].asRaw(), "C:\\Music");
    EXPECT_EQ(member[1].asInt32(), 1);
    EXPECT_GT(*member[3].asUInt64(), 116444736000000000u);  // a real time after 1970

    std::optional<Answered> removed = classCall(32, 3002, "C:/Music", 4096);
    EXPECT_EQ(removed->code, 1032);
    EXPECT_EQ(removed->integer(1), kOk);
    EXPECT_EQ(classCall(32, 3002, "C:/Music", 4096)->integer(1), kNotFound);
}

TEST_F(RequestDispatcherTest, FolderStatisticsAnswer) {
    msg::Packer p;
    p.array(2).integer(267).raw("C:/Music");
    std::optional<Answered> a = call(35, p);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->code, 1035);
    ASSERT_EQ(a->root().size(), 6u);
    EXPECT_EQ(a->integer(1), kOk);
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
    msg::Packer wrongCount;
    wrongCount.array(3).integer(266).raw("C:").raw("extra");
    EXPECT_FALSE(call(1, wrongCount));
    msg::Packer wrongType;
    wrongType.array(2).integer(266).integer(5);
    EXPECT_FALSE(call(1, wrongType));
    msg::Packer noNumber;
    noNumber.array(2).raw("x").raw("C:");
    EXPECT_FALSE(call(1, noNumber));
    msg::Packer unknown;
    unknown.array(1).integer(1);
    EXPECT_FALSE(call(77, unknown));
    msg::Packer reply;  // the phone's reply to one of our file commands needs no answer
    reply.array(4).integer(1).integer(200).integer(100000).raw("200 OK");
    EXPECT_FALSE(call(1100, reply));
}

}  // namespace
}  // namespace pd::peer
