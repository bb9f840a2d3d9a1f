// `pocketdesk share` serving the peer's phone-file script, and `pocketdesk settings`, run as
// a user runs them.

#include "PeerFixture.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliPhoneFiles : public PeerFixture {
  protected:
    // Starts `pocketdesk ARGS --home <phone>` with stdout and stderr in files. Only
    // async-signal-safe calls between fork and exec: the test process has threads.
    pid_t start(std::vector<std::string> args) {
        args.insert(args.begin(), POCKETDESK_CLI_PATH);
        args.insert(args.end(), {"--home", phone.string()});
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        const std::string out = (home() / "out").string();
        const std::string err = (home() / "err").string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(::open("/dev/null", O_RDONLY), 0);
            ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            ::execv(POCKETDESK_CLI_PATH, argv.data());
            ::_exit(127);
        }
        return pid;
    }
    Ran finish(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(home() / "out"),
                slurp(home() / "err")};
    }
    Ran run(std::vector<std::string> args) { return finish(start(std::move(args))); }

    fs::path phone = home() / "phone";
};

TEST_F(CliPhoneFiles, SettingsListAndChangeThePhoneFilesSwitch) {
    const Ran all = run({"settings"});
    EXPECT_EQ(all.status, 0) << all.err;
    // Columns are as wide as the longest name of any row.
    EXPECT_TRUE(std::regex_search(all.out, std::regex("(^|\n)phone-files +on "))) << all.out;

    EXPECT_EQ(run({"settings", "phone-files", "off"}).out, "phone-files  off\n");
    const Ran json = run({"settings", "--json"});
    EXPECT_EQ(nlohmann::json::parse(json.out)["settings"][0]["value"], "off") << json.out;

    const struct {
        std::vector<std::string> args;
        std::string said;
    } wrong[] = {{{"settings", "volume"}, "settings: phone-files"},
                 {{"settings", "phone-files", "maybe"}, "give on, off"}};
    for (const auto& w : wrong) {
        const Ran r = run(w.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(w.said), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_NE(run({"settings", "phone-files"}).out.find("off"), std::string::npos);
}

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
    const pid_t share = start({"share", "--pc",
                               "127.0.0.1:" + std::to_string(peerProcess->controlPort()) + ":" +
                                   std::to_string(peerProcess->httpPort())});
    std::optional<nlohmann::json> event;
    while ((event = peerProcess->nextEvent(std::chrono::seconds(30))) &&
           (*event)["event"] != "phone_script_done") {
    }
    ::kill(share, SIGINT);
    const Ran r = finish(share);

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
