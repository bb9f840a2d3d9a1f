// The terminal front-end as a user types it (options after the command, as the README and
// --help show), against the real peer on 127.0.0.1.

#include "PeerFixture.h"
#include "support/ScriptedComputer.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

using namespace pd;
using namespace pd::test;

namespace {

struct CliResult {
    int status = -1;
    std::string out;  // stdout
    std::string err;  // stderr
    nlohmann::json document() const { return nlohmann::json::parse(out, nullptr, false); }
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }
};

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliAgainstPeer : public PeerFixture {
  protected:
    // Runs `pocketdesk ARGS --home PHONE` with `input` on stdin (empty: no input at all).
    CliResult run(const std::filesystem::path& phone, std::vector<std::string> args,
                  const std::string& input = {}) {
        args.insert(args.end(), {"--home", phone.string()});
        const auto in = home() / "stdin", out = home() / "stdout", err = home() / "stderr";
        std::ofstream(in, std::ios::binary) << input;
        const pid_t pid = spawn(args, in, out, err);
        int status = 0;
        ::waitpid(pid, &status, 0);
        CliResult r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    // Starts pocketdesk with its standard streams on these files. Only async-signal-safe
    // calls run between fork and exec: the test process has threads.
    static pid_t spawn(std::vector<std::string> args, const std::filesystem::path& in,
                       const std::filesystem::path& out, const std::filesystem::path& err) {
        std::vector<char*> argv{const_cast<char*>(POCKETDESK_CLI_PATH)};
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string inPath = in, outPath = out, errPath = err;
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fds[3] = {::open(inPath.c_str(), O_RDONLY),
                                ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                                ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)};
            for (int i = 0; i < 3; ++i)
                ::dup2(fds[i], i);
            ::execv(POCKETDESK_CLI_PATH, argv.data());
            ::_exit(127);
        }
        return pid;
    }

  protected:
    std::string address() const {
        return "127.0.0.1:" + std::to_string(peerProcess->controlPort()) + ":" +
               std::to_string(peerProcess->httpPort() ? peerProcess->httpPort() : 1);
    }
    std::string unusedDiscoveryPort() const { return std::to_string(peer::freeUdpPort()); }
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// What a scripted computer answers to one request: its code and text argument ("" matches
// any), then the answer; an empty body leaves the request unanswered.
struct Answer {
    std::int64_t request;
    std::string argument;
    std::int32_t code;
    std::string body;
};

// A computer that accepts the phone at once and answers only what the script says. Records
// each request as "code argument".
class ScriptedServer {
  public:
    explicit ScriptedServer(std::vector<Answer> script)
        : script_(std::move(script)), thread_([this] { serve(); }) {}
    ~ScriptedServer() { thread_.join(); }
    int port() const { return pc_.port(); }
    std::vector<std::string> requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

  private:
    void serve() {
        if (!pc_.accept() || !pc_.readMessage())
            return;
        pc_.sendMessage(1039, pack({I(255), I(0), R("TICKET")}));
        while (auto frame = pc_.readMessage(std::chrono::seconds(60))) {
            std::string argument;
            if (auto decoded = msg::decode(frame->body); decoded && decoded->root().size() > 1)
                argument = std::string(decoded->root()[1].asRaw().value_or(""));
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(std::to_string(frame->code) + " " + argument);
            }
            for (const Answer& a : script_) {
                if (a.request == frame->code && (a.argument.empty() || a.argument == argument)) {
                    if (!a.body.empty())
                        pc_.sendMessage(a.code, a.body);
                    break;
                }
            }
        }
    }
    ScriptedComputer pc_;
    std::vector<Answer> script_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

Elem folderEntry(const std::string& name, int isDir, const std::string& desc = "") {
    return A({R(name), I(isDir), I(3), I(0), R(desc), I(0)});
}
std::string listing(std::int64_t number, std::int32_t result, std::vector<Elem> entries) {
    return pack({I(number), I(result), I(0), A(std::move(entries))});
}

}  // namespace

TEST_F(CliAgainstPeer, ScanListsThePeerOnTheLoopbackInterface) {
    const std::string port = unusedDiscoveryPort();
    startPeer({"--discovery-port", port, "--name", "LAB-PC", "--tag", "L4B"});
    const auto phone = home() / "phone";

    auto r = run(phone, {"scan", "--interface", "lo", "--discovery-port", port, "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto doc = r.document();
    ASSERT_TRUE(doc.is_object()) << r.out;
    ASSERT_EQ(doc["computers"].size(), 1u) << r.out;
    const auto& pc = doc["computers"][0];
    EXPECT_EQ(pc.value("name", ""), "LAB-PC");
    EXPECT_EQ(pc.value("tag", ""), "L4B");
    EXPECT_EQ(pc.value("address", ""), "127.0.0.1");
    EXPECT_EQ(pc.value("control_port", 0), peerProcess->controlPort());
    EXPECT_FALSE(pc.value("remembered", true));

    // For people: one line per computer on stdout, the search narrated on stderr.
    auto text = run(phone, {"scan", "--interface", "lo", "--discovery-port", port});
    EXPECT_EQ(text.status, 0) << text.err;
    ASSERT_EQ(text.lines().size(), 1u) << text.out;
    EXPECT_TRUE(contains(text.out, "LAB-PC") && contains(text.out, "tag L4B")) << text.out;
}

TEST_F(CliAgainstPeer, ScanWithNobodyAnsweringSaysSoOnStderr) {
    auto r = run(home() / "phone",
                 {"scan", "--interface", "lo", "--discovery-port", unusedDiscoveryPort()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, "no computer found")) << r.err;
}

TEST_F(CliAgainstPeer, UsageErrorsAndHelp) {
    const auto phone = home() / "phone";
    struct Case {
        std::vector<std::string> args;
        const char* complaint;  // in stderr
    };
    const Case usage[] = {
        {{"pair", "--pc", "127.0.0.1:1"}, "HOST:PORT:HTTPPORT"},
        {{"pair", "--pc", "127.0.0.1:1:99999"}, "HOST:PORT:HTTPPORT"},
        {{"pair", "--pc", "300.1.1.1"}, "HOST:PORT:HTTPPORT"},
        {{"pair", "--code", "12"}, "six digits"},
        {{"pair", "--code", "12345a"}, "six digits"},
        {{"scan", "--interface", "no-such-if0"}, "no network interface"},
        {{"ls", "--json", "--json-lines"}, "not both"},
        {{"scan", "--pc", "X"}, "--pc"},  // scan takes no computer
        {{"nosuch"}, "nosuch"},
    };
    for (const auto& c : usage) {
        auto r = run(phone, c.args);
        EXPECT_EQ(r.status, 2) << c.args[0] << " " << r.err;
        EXPECT_TRUE(contains(r.err, c.complaint)) << r.err;
        EXPECT_EQ(r.out, "");
    }

    auto help = run(phone, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* status : {"0 ", "1 ", "2 ", "3 ", "4 ", "5 ", "130 "})
        EXPECT_TRUE(contains(help.out, std::string("\n  ") + status)) << help.out;

    // Each command's help lists the options it takes.
    const std::pair<const char*, std::vector<const char*>> helps[] = {
        {"scan", {"--interface", "--discovery-port", "--json", "--json-lines", "--home", "-v"}},
        {"pair", {"--pc", "--code", "--interface", "--json"}},
        {"ls", {"--class", "--pc", "--json", "--timeout"}},
        {"get", {"--pc", "--json-lines"}},
        {"downloads", {"--yes", "--json"}},
    };
    for (const auto& [command, options] : helps) {
        auto r = run(phone, {command, "--help"});
        EXPECT_EQ(r.status, 0);
        for (const char* option : options)
            EXPECT_TRUE(contains(r.out, option)) << command << " lacks " << option << "\n" << r.out;
    }
}

TEST_F(CliAgainstPeer, PairExitStatusesRefusalAdviceAndRemembering) {
    startPeer({"--code", "135790"});
    const auto phone = home() / "phone";
    auto refused = run(phone, {"pair", "--pc", address()});
    EXPECT_EQ(refused.status, 4) << refused.err;
    EXPECT_TRUE(contains(
        refused.err, "wants its check code: pocketdesk pair --pc " + address() + " --code NNNNNN"))
        << refused.err;
    auto wrong = run(phone, {"pair", "--pc", address(), "--code", "000000"});
    EXPECT_EQ(wrong.status, 4) << wrong.err;
    EXPECT_TRUE(contains(wrong.err, "refused the check code 000000")) << wrong.err;

    auto paired = run(phone, {"pair", "--pc", address(), "--code", "135790", "--json"});
    EXPECT_EQ(paired.status, 0) << paired.err;
    EXPECT_EQ(paired.document().value("address", ""), "127.0.0.1") << paired.out;

    // Remembered with its code: pairing the last computer needs neither --pc nor --code.
    auto again = run(phone, {"pair"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(contains(again.out, "paired with")) << again.out;

    auto nowhere = run(phone, {"pair", "--pc", "127.0.0.1:1:1"});
    EXPECT_EQ(nowhere.status, 5) << nowhere.err;

    auto nobody = run(home() / "fresh", {"pair", "--interface", "lo", "--discovery-port",
                                         unusedDiscoveryPort(), "--pc", "NOPE"});
    EXPECT_EQ(nobody.status, 3) << nobody.err;
}

TEST_F(CliAgainstPeer, ListingsForPeopleAndForScripts) {
    startPeer({"--code", "424242"});
    std::filesystem::create_directories(disk / "D" / "Odd");
    for (const char* name : {"line\nbreak.txt", "\x1b[31mred.txt", "\xe6\x96\x87\xe4\xbb\xb6.txt"})
        std::ofstream(disk / "D" / "Odd" / name) << "abc";
    const auto phone = home() / "phone";
    ASSERT_EQ(run(phone, {"pair", "--pc", address(), "--code", "424242"}).status, 0);

    auto drives = run(phone, {"ls", "--json"});
    ASSERT_EQ(drives.status, 0) << drives.err;
    EXPECT_EQ(drives.document()["entries"].size(), 3u) << drives.out;  // C:, D:, the desktop

    auto music = run(phone, {"ls", "D:/Music", "--json"});
    ASSERT_EQ(music.status, 0) << music.err;
    bool sawSong = false;
    const auto musicDoc = music.document();
    for (const auto& j : musicDoc["entries"]) {
        if (j.value("name", "") == "song.mp3") {
            sawSong = true;
            EXPECT_EQ(j.value("kind", ""), "file");
            EXPECT_EQ(j.value("size", 0u), 2'500'000u);
        }
    }
    EXPECT_TRUE(sawSong) << music.out;

    // One line per entry, aligned, decimal sizes; the connection is narrated on stderr only.
    auto text = run(phone, {"ls", "D:/Music"});
    ASSERT_EQ(text.status, 0) << text.err;
    const auto lines = text.lines();
    ASSERT_EQ(lines.size(), musicDoc["entries"].size()) << text.out;
    bool sawSize = false;
    for (const auto& line : lines)
        sawSize |= contains(line, "2.5 MB") && contains(line, "song.mp3");
    EXPECT_TRUE(sawSize) << text.out;
    EXPECT_FALSE(contains(text.out, "((")) << text.out;

    // Names are shown with their control characters visible; JSON keeps them exactly.
    auto odd = run(phone, {"ls", "D:/Odd"});
    ASSERT_EQ(odd.status, 0) << odd.err;
    EXPECT_EQ(odd.lines().size(), 3u) << odd.out;
    EXPECT_TRUE(contains(odd.out, "line\\nbreak.txt")) << odd.out;
    EXPECT_TRUE(contains(odd.out, "\\e[31mred.txt")) << odd.out;
    EXPECT_FALSE(contains(odd.out, "\x1b")) << odd.out;
    EXPECT_TRUE(contains(odd.out, "\xe6\x96\x87\xe4\xbb\xb6.txt")) << odd.out;
    std::set<std::string> exact;
    const auto oddDoc = run(phone, {"ls", "D:/Odd", "--json"}).document();
    for (const auto& j : oddDoc["entries"])
        exact.insert(j.value("name", ""));
    EXPECT_TRUE(exact.count("line\nbreak.txt") && exact.count("\x1b[31mred.txt"));

    auto empty = run(phone, {"ls", "D:/Empty", "--json"});
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_TRUE(empty.document()["entries"].empty()) << empty.out;

    auto file = run(phone, {"ls", "D:/Music/song.mp3"});
    EXPECT_EQ(file.status, 1);
    EXPECT_TRUE(contains(file.err, "D:/Music/song.mp3 is a file")) << file.err;
    auto folder = run(phone, {"get", "D:/Music/Live"});
    EXPECT_EQ(folder.status, 1);
    EXPECT_TRUE(contains(folder.err, "D:/Music/Live is a folder")) << folder.err;
}

TEST_F(CliAgainstPeer, DownloadPreviewAndClassesAsTheReadmeShows) {
    startPeer({"--code", "424242"});
    const auto phone = home() / "phone";
    ASSERT_EQ(run(phone, {"pair", "--pc", address(), "--code", "424242"}).status, 0);

    auto get =
        run(phone, {"get", "D:/Music/song.mp3", "C:/Users/Demo/Documents/notes.txt", "--json"});
    ASSERT_EQ(get.status, 0) << get.err;
    std::vector<std::string> paths;
    const auto getDoc = get.document();
    for (const auto& j : getDoc["downloaded"])
        paths.push_back(j.value("path", ""));
    ASSERT_EQ(paths.size(), 2u) << get.out;
    for (const auto& p : paths) {
        EXPECT_TRUE(std::filesystem::exists(p)) << p;
        EXPECT_TRUE(p.find((phone / "Documents" / "UserData" / "DownFiles").string()) == 0) << p;
    }
    EXPECT_EQ(std::filesystem::file_size(paths[0]), 2'500'000u);

    auto missing = run(phone, {"get", "D:/Music/nothing.mp3"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");

    auto list = run(phone, {"downloads", "--json"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.document()["finished"].size(), 2u) << list.out;
    auto listText = run(phone, {"downloads"});
    EXPECT_EQ(listText.lines().size(), 3u) << listText.out;  // one heading, two files

    // A question takes its answer from a pipe; no answer, or 'n', keeps the file.
    auto silent = run(phone, {"downloads", "rm", paths[1]});
    EXPECT_EQ(silent.status, 1) << silent.err;
    EXPECT_TRUE(contains(silent.err, "--yes")) << silent.err;
    EXPECT_EQ(run(phone, {"downloads", "rm", paths[1]}, "n\n").status, 1);
    EXPECT_TRUE(std::filesystem::exists(paths[1]));
    auto piped = run(phone, {"downloads", "rm", paths[1]}, "y\n");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_TRUE(contains(piped.err, "[y/N]")) << piped.err;
    EXPECT_FALSE(std::filesystem::exists(paths[1]));
    auto yes = run(phone, {"downloads", "rm", paths[0], "--yes"});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_FALSE(contains(yes.err, "[y/N]")) << yes.err;

    auto preview = run(phone, {"preview", "Desktop/readme.pdf"});
    ASSERT_EQ(preview.status, 0) << preview.err;
    ASSERT_EQ(preview.lines().size(), 1u) << preview.out;
    EXPECT_EQ(std::filesystem::file_size(preview.lines()[0]), 40'000u);

    EXPECT_EQ(run(phone, {"class", "add", "music", "D:/Music"}).status, 0);
    auto members = run(phone, {"ls", "--class", "music", "--json"});
    bool listed = false;
    const auto membersDoc = members.document();
    for (const auto& j : membersDoc["entries"])
        listed |= j.value("kind", "") == "class folder";
    EXPECT_TRUE(listed) << members.out;
    EXPECT_EQ(run(phone, {"class", "del", "music", "D:/Music"}).status, 0);
}

TEST_F(CliAgainstPeer, AFailedPreviewEndsAtOnce) {
    startPeer({"--code", "424242", "--http-close-after", "1000"});
    const auto phone = home() / "phone";
    ASSERT_EQ(run(phone, {"pair", "--pc", address(), "--code", "424242"}).status, 0);
    auto r = run(phone, {"preview", "D:/Music/song.mp3", "--timeout", "3600"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, "Operation failed")) << r.err;
}

TEST_F(CliAgainstPeer, CtrlCEndsWithStatus130) {
    const auto err = home() / "stderr";
    const pid_t pid = spawn({"scan", "--interface", "lo", "--discovery-port", unusedDiscoveryPort(),
                             "--home", (home() / "phone").string()},
                            "/dev/null", "/dev/null", err);
    // The search narrates its start once the handlers are in place; then interrupt it.
    for (int i = 0; i < 1000 && slurp(err).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << slurp(err);
    EXPECT_EQ(WEXITSTATUS(status), 130);
}

// Computers that refuse, stay silent or name things their own way: every command ends with
// what happened and a non-zero status when it failed, without waiting out a limit it need not.
TEST_F(CliAgainstPeer, AMisbehavingComputerNeverMakesACommandHang) {
    const std::string root = listing(266, 0,
                                     {folderEntry("C:\\", 2, "System"), folderEntry("D:\\", 3),
                                      folderEntry("C:\\Users\\Public\\Desktop", 1, "我的桌面")});
    const Answer drives{1, "", 1001, root};
    const Answer classWithMember{30, "", 1030, listing(3000, 0, {folderEntry("D:\\Music", 1)})};
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<Answer> script;
        int status;
        const char* said;     // in stdout and stderr
        const char* request;  // one the phone must have sent ("" for none)
    };
    const Case cases[] = {
        {"silent computer",
         {"ls", "D:/Music", "--timeout", "1"},
         {},
         1,
         "did not answer within 1 s (waiting for the listing of its drives)",
         ""},
        {"silent on a folder",
         {"preview", "D:/a.txt", "--timeout", "1"},
         {{1, "D:/", 0, ""}, drives},
         1,
         "did not answer within 1 s (waiting for the listing of D:)",
         "1 D:/"},
        // A refusal ends the wait at once, with a limit far beyond the test's.
        {"refused folder",
         {"ls", "D:/Music", "--timeout", "3600"},
         {{1, "D:/", 1001, listing(266, 5, {})}, drives},
         1,
         "could not list D: (no such folder, or refused)",
         ""},
        {"desktop by its label",
         {"ls", "Desktop"},
         {{1, "C:/Users/Public/Desktop/", 1001, listing(266, 0, {folderEntry("x.txt", 0)})},
          drives},
         0,
         "x.txt",
         "1 C:/Users/Public/Desktop/"},
        {"desktop by its path",
         {"ls", "c:/users/public/desktop"},
         {{1, "C:/Users/Public/Desktop/", 1001, listing(266, 0, {folderEntry("y.txt", 0)})},
          drives},
         0,
         "y.txt",
         "1 C:/Users/Public/Desktop/"},
        // The class already has a member: its folders are listed, then the drives, then D:.
        {"add beside a member",
         {"class", "add", "music", "D:/Videos"},
         {classWithMember,
          {1, "D:/", 1001, listing(266, 0, {folderEntry("Videos", 1)})},
          drives,
          {31, "", 1031, pack({I(3001), I(7)})}},
         0,
         "added D:/Videos",
         "31 D:/Videos"},
        {"add a member again",
         {"class", "add", "music", "d:/music/"},
         {classWithMember, drives},
         0,
         "is already in",
         ""},
        {"refused class change",
         {"class", "add", "music", "D:/Videos"},
         {classWithMember,
          {1, "D:/", 1001, listing(266, 0, {folderEntry("Videos", 1)})},
          drives,
          {31, "", 1031, pack({I(3001), I(8)})}},
         1,
         "did not add D:/Videos",
         ""},
    };
    for (const Case& c : cases) {
        ScriptedServer pc(c.script);
        auto args = c.args;
        args.insert(args.end(), {"--pc", "127.0.0.1:" + std::to_string(pc.port()) + ":1"});
        auto r = run(home() / c.name, args);
        std::string sentText;
        for (const auto& x : pc.requests())
            sentText += x + "\n";
        EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.out << r.err << sentText;
        EXPECT_TRUE(contains(r.out + r.err, c.said)) << c.name << "\n" << r.out << r.err;
        if (*c.request) {
            const auto sent = pc.requests();
            EXPECT_TRUE(std::find(sent.begin(), sent.end(), c.request) != sent.end()) << c.name;
        }
        if (std::string(c.name) == "add a member again") {
            for (const auto& sent : pc.requests())
                EXPECT_NE(sent.substr(0, 3), "31 ") << "asked to add a member again";
        }
    }
}
