// The computer's phone-file commands from the real peer's script, answered by the phone's
// service over a real link and data channel on loopback.

#include "PeerFixture.h"

#include "NetWork/PhoneMgrCommand.h"
#include "core/AuthCore.h"
#include "core/PhoneFileService.h"
#include "platform/Dispatch.h"
#include "platform/SandboxHelper.h"
#include "support/WaitFor.h"

#include <fstream>
#include <sstream>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class PhoneFilesAgainstPeer : public PeerFixture {
  protected:
    void SetUp() override {
        userData = SandboxHelper::docPathEx();
        service = PhoneFileService::create(PhoneFileService::standardServices());
        setPhoneMgrCommandFactory([s = service] { return s->makeCommand(); });
    }
    void TearDown() override {
        setPhoneMgrCommandFactory(nullptr);
        AuthCore::ShareInstance().resetForTests();
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
        PeerFixture::TearDown();
    }
    // Runs `script` from the peer against a phone that pairs with it; the events it printed.
    std::vector<nlohmann::json> runScript(const std::string& script,
                                          std::vector<std::string> flags = {}) {
        const fs::path file = home() / "script.txt";
        write(file, script);
        flags.insert(flags.end(),
                     {"--direct-accept", "--phone-script", file.string(), "--phone-files-dir",
                      fetched.string(), "--phone-reply-wait-ms", "1500"});
        startPeer(flags);
        AuthCore& core = AuthCore::ShareInstance();
        core.resetForTests();
        core.serverIp = "127.0.0.1";
        core.port = peerProcess->controlPort();
        core.ConnetctPcServer(1);
        EXPECT_TRUE(pumpMainUntil([&] { return core.hasAcceptedLink(); }));
        std::vector<nlohmann::json> events;
        while (auto event = peerProcess->nextEvent(std::chrono::seconds(30))) {
            if ((*event)["event"] == "phone_script_done") {
                break;
            }
            events.push_back(*event);
        }
        return events;
    }
    fs::path userData;
    fs::path fetched = home() / "fetched";
    std::shared_ptr<PhoneFileService> service;
};

TEST_F(PhoneFilesAgainstPeer, TheComputerListsFetchesAndDeletesThePhonesFiles) {
    write(userData / "sub" / "a.txt", "alpha, the file the computer fetches");
    write(userData / "sub" / "b.txt", "beta");
    write(home() / "secret.txt", "SECRET");
    const auto events = runScript(
        "LIST /\n"
        "# a comment, and a blank line\n"
        "\n"
        "LIST /我的文档/sub\n"
        "RETR /我的文档/sub/a.txt\n"
        "PORT 127.0.0.1:0\n"
        "RETR /我的文档/sub/a.txt\n"
        "PORT 127.0.0.1:0\n"
        "RETR /我的文档/../../secret.txt\n"
        "DELE /我的文档/sub/b.txt\n"
        "LIST /我的文档/sub\n"
        "NOOP x\n");
    std::vector<std::pair<std::string, nlohmann::json>> seen;
    for (const auto& e : events) {
        if (e["event"] == "phone_file") {
            const auto& reply = e["reply"];
            seen.emplace_back(
                e["command"].get<std::string>().substr(0, 4),
                reply.is_string() ? nlohmann::json(reply.get<std::string>().substr(0, 4)) : reply);
        }
    }
    const std::vector<std::pair<std::string, nlohmann::json>> expected = {
        {"LIST", "200 "}, {"LIST", "200 "}, {"RETR", "500 "}, {"PORT", "200 "}, {"RETR", "200 "},
        {"PORT", "200 "}, {"RETR", "500 "}, {"DELE", "200 "}, {"LIST", "200 "}, {"NOOP", nullptr}};
    EXPECT_EQ(seen, expected);
    ASSERT_EQ(events.size(), expected.size() + 2);  // and a saved and a not-saved fetch
    EXPECT_NE(events[1]["reply"].get<std::string>().find("\tb.txt\r\n"), std::string::npos);
    EXPECT_EQ(events[5]["event"], "phone_file_saved");
    EXPECT_EQ(read(fetched / "a.txt"), "alpha, the file the computer fetches");
    EXPECT_EQ(events[8]["event"], "phone_file_not_saved");
    EXPECT_FALSE(fs::exists(fetched / "secret.txt"));
    EXPECT_FALSE(fs::exists(userData / "sub" / "b.txt"));
    EXPECT_EQ(events[10]["reply"].get<std::string>().find("b.txt"), std::string::npos);
}

TEST_F(PhoneFilesAgainstPeer, TheComputerBoundsWhatItSavesAndSanitisesNames) {
    write(userData / "sub" / "big.bin", std::string(4096, 'x'));
    write(userData / "sub" / "odd\x01name.txt", "odd");
    const auto events = runScript(
        "PORT 127.0.0.1:0\n"
        "RETR /我的文档/sub/big.bin\n"
        "PORT 127.0.0.1:0\n"
        "RETR /我的文档/sub/odd\x01name.txt\n",
        {"--max-phone-file-bytes", "1000"});
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[2]["event"], "phone_file_not_saved");
    EXPECT_NE(events[2]["reason"].get<std::string>().find("larger than 1000"), std::string::npos);
    EXPECT_FALSE(fs::exists(fetched / "big.bin"));
    EXPECT_EQ(events[5]["event"], "phone_file_saved");
    EXPECT_EQ(read(fetched / "odd_name.txt"), "odd");
}

}  // namespace
