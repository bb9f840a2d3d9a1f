// `pocketdesk share` serving the peer's phone-file script, run as a user runs it.

#include "CliRun.h"
#include "PeerFixture.h"

#include <csignal>
#include <fstream>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

class CliPhoneFiles : public PeerFixture {
  protected:
    fs::path phone = home() / "phone";
};

TEST_F(CliPhoneFiles, ShareServesTheComputersCommandsUntilCtrlC) {
    const fs::path userData = phone / "Documents" / "UserData";
    fs::create_directories(userData / "sub");
    std::ofstream(userData / "sub" / "a.txt") << "alpha";
    std::ofstream(userData / "sub" / "\x1b[31mred.txt") << "red";
    const fs::path script = home() / "script.txt";
    std::ofstream(script) << "LIST /\nLIST /我的文档/sub\nPORT 127.0.0.1:0\n"
                             "RETR /我的文档/sub/a.txt\nDELE /我的文档/sub/a.txt\n"
                             "DELE /我的文档/sub/\x1b[31mred.txt\nWHAT\n";
    startPeer({"--direct-accept", "--phone-script", script.string(), "--phone-files-dir",
               (home() / "fetched").string(), "--phone-reply-wait-ms", "500"});
    const pid_t share = startCli({"share", "--pc", address(), "--home", phone.string()}, home());
    std::optional<nlohmann::json> event;
    while ((event = peerProcess->nextEvent(std::chrono::seconds(30))) &&
           (*event)["event"] != "phone_script_done") {
    }
    ::kill(share, SIGINT);
    const Ran r = finishCli(share, home());

    EXPECT_TRUE(event.has_value());
    EXPECT_EQ(r.status, 130);
    const std::string shown[] = {"LIST /  ->  200 (2 entries)\n",
                                 "LIST /我的文档/sub  ->  200 (2 entries)\n",
                                 "RETR /我的文档/sub/a.txt  ->  200\n",
                                 "DELE /我的文档/sub/a.txt  ->  200\n",
                                 "DELE /我的文档/sub/\\e[31mred.txt  ->  200\n",
                                 "WHAT  ->  (no reply)\n"};
    std::size_t at = 0;
    for (const auto& line : shown) {
        const std::size_t found = r.out.find(line, at);
        EXPECT_NE(found, std::string::npos) << line << " in\n" << r.out;
        at = found == std::string::npos ? at : found;
    }
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);  // names never reach the terminal raw
    EXPECT_EQ(slurp(home() / "fetched" / "a.txt"), "alpha");
    EXPECT_FALSE(fs::exists(userData / "sub" / "a.txt"));
}

}  // namespace
