// The terminal front-end as a user types it (options after the command, as the README and
// --help show), against the real peer on 127.0.0.1 and against computers that misbehave.

#include "CaptureImage.h"
#include "CliRun.h"
#include "PeerFixture.h"
#include "platform/SqliteConnection.h"
#include "support/BroadcastReceiver.h"
#include "support/ScriptedComputer.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <fstream>
#include <thread>

using namespace pd;
using namespace pd::test;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliAgainstPeer : public PeerFixture {
  protected:
    // `pocketdesk ARGS --home PHONE` with `input` on stdin.
    pid_t start(const std::filesystem::path& phone, std::vector<std::string> args,
                const std::string& input = {}) {
        args.insert(args.end(), {"--home", phone.string()});
        return startCli(std::move(args), home(), input);
    }
    Ran finish(pid_t pid) const { return finishCli(pid, home()); }
    Ran run(const std::filesystem::path& phone, std::vector<std::string> args,
            const std::string& input = {}) {
        return finish(start(phone, std::move(args), input));
    }
    // Runs a command and checks its exit status and what it said: a result on stdout; an error
    // on stderr, with nothing on stdout.
    Ran expect(const std::filesystem::path& phone, std::vector<std::string> args, int status,
               const std::string& said, const std::string& input = {}) {
        SCOPED_TRACE(args.at(0) + " " + (args.size() > 1 ? args[1] : ""));
        return check(run(phone, args, input), status, said);
    }
    static Ran check(Ran r, int status, const std::string& said) {
        EXPECT_EQ(r.status, status) << r.out << r.err;
        EXPECT_TRUE(contains(status == 0 ? r.out : r.err, said)) << r.out << r.err;
        EXPECT_TRUE(status == 0 || r.out.empty()) << r.out;
        return r;
    }

    std::string unusedDiscoveryPort() const { return std::to_string(peer::freeUdpPort()); }
    // A phone paired with the peer, which wants `code`.
    std::filesystem::path pairedPhone(const std::string& code) {
        const auto phone = home() / "phone";
        EXPECT_EQ(run(phone, {"pair", "--pc", address(), "--code", code}).status, 0);
        return phone;
    }
};

// What a scripted computer answers to one request: its code and text argument ("" matches
// any), then the answer; an empty body leaves the request unanswered.
struct Answer {
    std::int64_t request;
    std::string argument;
    std::int32_t code;
    std::string body;
};

Elem folderEntry(const std::string& name, int isDir, const std::string& desc = "") {
    return A({R(name), I(isDir), I(3), I(0), R(desc), I(0)});
}
std::string listing(std::int64_t number, std::int32_t result, std::vector<Elem> entries) {
    return pack({I(number), I(result), I(0), A(std::move(entries))});
}

}  // namespace

TEST_F(CliAgainstPeer, ScanListsThePeerOnTheLoopbackInterface) {
    const auto phone = home() / "phone";
    // A search lasts a few seconds: the one nobody answers runs beside the one the peer does.
    const auto aside = home() / "aside";
    std::filesystem::create_directories(aside);
    const std::string port = unusedDiscoveryPort();
    std::string elsewhere = unusedDiscoveryPort();
    while (elsewhere == port)
        elsewhere = unusedDiscoveryPort();
    const pid_t nobodyPid = startCli({"scan", "--interface", "lo", "--discovery-port", elsewhere,
                                      "--home", (home() / "other").string()},
                                     aside);
    startPeer({"--discovery-port", port, "--name", "LAB-PC", "--tag", "L4B"});
    auto r = run(phone, {"scan", "--interface", "lo", "--discovery-port", port, "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    // With nobody answering: nothing on stdout, and stderr says so.
    const Ran nobody = finishCli(nobodyPid, aside);
    EXPECT_EQ(nobody.status, 0);
    EXPECT_EQ(nobody.out, "");
    EXPECT_TRUE(contains(nobody.err, "no computer found")) << nobody.err;

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
    auto text =
        expect(phone, {"scan", "--interface", "lo", "--discovery-port", port, "-v"}, 0, "tag L4B");
    EXPECT_EQ(text.lines().size(), 1u) << text.out;
    EXPECT_TRUE(contains(text.out, "LAB-PC")) << text.out;
}

TEST_F(CliAgainstPeer, UsageErrorsAndHelp) {
    const auto phone = home() / "phone";
    const std::pair<std::vector<std::string>, const char*> usage[] = {
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
    for (const auto& [args, complaint] : usage)
        expect(phone, args, 2, complaint);

    auto help = run(phone, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* status : {"0 ", "1 ", "2 ", "3 ", "4 ", "5 ", "130 "})
        EXPECT_TRUE(contains(help.out, std::string("\n  ") + status)) << help.out;
}

TEST_F(CliAgainstPeer, ListingsDownloadsPreviewAndClassesAsTheReadmeShows) {
    startPeer({"--code", "424242"});
    std::filesystem::create_directories(disk / "D" / "Odd");
    std::ofstream(disk / "D" / "Odd" / "line\nbreak.txt") << "abc";
    const auto phone = pairedPhone("424242");

    auto music = run(phone, {"ls", "D:/Music", "--json"});
    ASSERT_EQ(music.status, 0) << music.err;
    const auto entries = music.document()["entries"];
    const auto song = std::find_if(entries.begin(), entries.end(),
                                   [](const auto& j) { return j.value("name", "") == "song.mp3"; });
    ASSERT_NE(song, entries.end()) << music.out;
    EXPECT_EQ(song->value("kind", ""), "file");
    EXPECT_EQ(song->value("size", 0u), 2'500'000u);

    // One line per entry, aligned, decimal sizes; the connection is narrated on stderr only.
    const auto lines = expect(phone, {"ls", "D:/Music"}, 0, "").lines();
    ASSERT_EQ(lines.size(), entries.size());
    EXPECT_TRUE(std::ranges::any_of(lines, [](const std::string& line) {
        return contains(line, "2.5 MB") && contains(line, "song.mp3") && !contains(line, "((");
    }));

    // Names are shown with their control characters visible (which ones, the text format tests
    // show); JSON keeps them exactly.
    EXPECT_EQ(expect(phone, {"ls", "D:/Odd"}, 0, "line\\nbreak.txt").lines().size(), 1u);
    const auto odd = run(phone, {"ls", "D:/Odd", "--json"}).document();
    EXPECT_EQ(odd["entries"][0].value("name", ""), "line\nbreak.txt") << odd;

    expect(phone, {"ls", "D:/Music/song.mp3"}, 1, "D:/Music/song.mp3 is a file");
    expect(phone, {"get", "D:/Music/Live"}, 1, "D:/Music/Live is a folder");

    auto get = run(phone, {"get", "D:/Music/song.mp3", "C:/Users/Demo/Documents/notes.txt", "--pc",
                           address(), "--json"});
    ASSERT_EQ(get.status, 0) << get.err;
    std::vector<std::string> paths;
    const auto getDoc = get.document();
    for (const auto& j : getDoc["downloaded"])
        paths.push_back(j.value("path", ""));
    ASSERT_EQ(paths.size(), 2u) << get.out;
    EXPECT_TRUE(paths[0].starts_with((phone / "Documents" / "UserData" / "DownFiles").string()));
    EXPECT_EQ(std::filesystem::file_size(paths[0]), 2'500'000u);
    expect(phone, {"get", "D:/Music/nothing.mp3"}, 1, "no file nothing.mp3");

    const auto list = run(phone, {"downloads", "--pc", address(), "--json"}).document();
    EXPECT_EQ(list["finished"].size(), 2u);
    EXPECT_EQ(run(phone, {"downloads"}).lines().size(), 3u);  // one heading, two files

    // A question takes its answer from a pipe; no answer, or 'n', keeps the file.
    expect(phone, {"downloads", "rm", paths[1]}, 1, "--yes");
    expect(phone, {"downloads", "rm", paths[1]}, 1, "", "n\n");
    EXPECT_TRUE(std::filesystem::exists(paths[1]));
    EXPECT_TRUE(contains(expect(phone, {"downloads", "rm", paths[1]}, 0, "", "y\n").err, "[y/N]"));
    EXPECT_FALSE(std::filesystem::exists(paths[1]));
    auto yes = expect(phone, {"downloads", "rm", paths[0], "--yes"}, 0, "");
    EXPECT_FALSE(contains(yes.err, "[y/N]")) << yes.err;

    const auto preview = expect(phone, {"preview", "Desktop/readme.pdf"}, 0, "").lines();
    ASSERT_EQ(preview.size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(preview[0]), 40'000u);

    // Classes: the second folder is added beside the first; a member is not added again.
    expect(phone, {"class", "add", "music", "D:/Music"}, 0, "added D:/Music");
    expect(phone, {"class", "add", "music", "D:/Videos"}, 0, "added D:/Videos");
    expect(phone, {"class", "add", "music", "d:/music/"}, 0, "is already in");
    const auto members = run(phone, {"ls", "--class", "music", "--json"}).document();
    ASSERT_EQ(members["entries"].size(), 2u);
    for (const auto& j : members["entries"])
        EXPECT_EQ(j.value("kind", ""), "class folder");
    expect(phone, {"class", "del", "music", "D:/Music"}, 0, "removed D:/Music");
}

// Backup: a shake sends what the computer lacks, named photos go even when it has them, and a
// photo the computer refuses makes the command fail. What arrives and what the ledger keeps, the
// backup tests against the peer show.
TEST_F(CliAgainstPeer, BackupSendsNewPhotosAndFailsWhenOneIsRefused) {
    const auto received = home() / "received";
    startPeer({"--code", "424242", "--backup-dir", received.string()});
    const auto phone = pairedPhone("424242");
    const auto photos = home() / "photos";
    std::filesystem::create_directories(photos);
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "bad..name.JPG"}) {
        std::ofstream(photos / name, std::ios::binary) << peer::CaptureImage::render(name[7]);
    }
    const std::vector<std::string> lib{"--photos", photos.string()};
    auto with = [&](std::vector<std::string> args) {
        args.insert(args.end(), lib.begin(), lib.end());
        return args;
    };

    expect(phone, with({"backup"}), 2, "--all");
    expect(phone, with({"backup", "IMG_0001.JPG", "nothing.JPG"}), 1, "not a photo");
    auto all = run(phone, with({"backup", "--all", "--json"}));
    EXPECT_EQ(all.status, 1) << all.err;  // the computer refuses the name with ".."
    const auto doc = all.document();
    EXPECT_EQ(doc.value("confirmed", 0), 2);
    EXPECT_EQ(doc.value("failed", 0), 1);

    // Only the refused photo is new; named photos go again.
    std::filesystem::remove(photos / "bad..name.JPG");
    expect(phone, with({"backup", "--all"}), 0, "nothing to back up");
    expect(phone, with({"backup", "IMG_0001.JPG"}), 0, "1 of 1 photos sent");
}

TEST_F(CliAgainstPeer, AFailedPreviewEndsAtOnce) {
    startPeer({"--code", "424242", "--http-close-after", "1000"});
    expect(pairedPhone("424242"), {"preview", "D:/Music/song.mp3", "--timeout", "3600"}, 1,
           "Operation failed");
}

TEST_F(CliAgainstPeer, CtrlCEndsWithStatus130) {
    const pid_t pid = start(
        home() / "phone", {"scan", "--interface", "lo", "--discovery-port", unusedDiscoveryPort()});
    // The search narrates its start once the handlers are in place; then interrupt it.
    for (int i = 0; i < 1000 && slurp(home() / "err").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid, SIGINT);
    EXPECT_EQ(finish(pid).status, 130);
}

// Computers that refuse, stay silent or name things their own way: every command ends with
// what happened and a non-zero status when it failed, without waiting out a limit it need not.
TEST_F(CliAgainstPeer, AMisbehavingComputerNeverMakesACommandHang) {
    const Answer drives{1, "", 1001,
                        listing(266, 0,
                                {folderEntry("C:\\", 2, "System"), folderEntry("D:\\", 3),
                                 folderEntry("C:\\Users\\Public\\Desktop", 1, "我的桌面")})};
    const Answer desktop{1, "C:/Users/Public/Desktop/", 1001,
                         listing(266, 0, {folderEntry("x.txt", 0)})};
    int phones = 0;
    // Runs the command against a computer answering `script`; `request` is one the phone must
    // have sent, and it adds to a class only when that is the one named.
    auto expectWith = [&](std::vector<std::string> args, std::vector<Answer> script, int status,
                          const std::string& said, const std::string& request = "") {
        ScriptedComputer pc;
        args.insert(args.end(), {"--pc", "127.0.0.1:" + std::to_string(pc.port()) + ":1"});
        SCOPED_TRACE(args[0] + " " + args[1]);
        const pid_t pid = start(home() / std::to_string(++phones), args);
        std::vector<std::string> sent;  // "code argument"
        if (pc.accept() && pc.readMessage()) {
            pc.sendMessage(1039, pack({I(255), I(0), R("TICKET")}));
            while (auto frame = pc.readMessage(std::chrono::seconds(60))) {
                const auto decoded = msg::decode(frame->body);
                const std::string argument(decoded && decoded->root().size() > 1
                                               ? decoded->root()[1].asRaw().value_or("")
                                               : "");
                sent.push_back(std::to_string(frame->code) + " " + argument);
                const auto a = std::ranges::find_if(script, [&](const Answer& a) {
                    return a.request == frame->code &&
                           (a.argument.empty() || a.argument == argument);
                });
                if (a != script.end() && !a->body.empty())
                    pc.sendMessage(a->code, a->body);
            }
        }
        check(finish(pid), status, said);
        EXPECT_TRUE(request.empty() || std::ranges::count(sent, request) > 0) << request;
        EXPECT_EQ(std::ranges::any_of(sent, [](const auto& s) { return s.starts_with("31 "); }),
                  request.starts_with("31 "));
    };
    expectWith({"ls", "D:/Music", "--timeout", "1"}, {}, 1,
               "did not answer within 1 s (waiting for the listing of its drives)");
    expectWith({"preview", "D:/a.txt", "--timeout", "1"}, {{1, "D:/", 0, ""}, drives}, 1,
               "did not answer within 1 s (waiting for the listing of D:)", "1 D:/");
    // A refusal ends the wait at once, with a limit far beyond the test's.
    expectWith({"ls", "D:/Music", "--timeout", "3600"},
               {{1, "D:/", 1001, listing(266, 5, {})}, drives}, 1,
               "could not list D: (no such folder, or refused)");
    // The desktop answers to its label and to its path, whatever the case.
    expectWith({"ls", "Desktop"}, {desktop, drives}, 0, "x.txt", "1 C:/Users/Public/Desktop/");
    expectWith({"ls", "c:/users/public/desktop"}, {desktop, drives}, 0, "x.txt",
               "1 C:/Users/Public/Desktop/");
    expectWith({"class", "add", "music", "D:/Videos"},
               {{30, "", 1030, listing(3000, 0, {})},
                {1, "D:/", 1001, listing(266, 0, {folderEntry("Videos", 1)})},
                drives,
                {31, "", 1031, pack({I(3001), I(8)})}},
               1, "did not add D:/Videos", "31 D:/Videos");
}

// Pairing's refusals and advice; what pairing remembers serves a later pair and a wake. Waking
// needs no link (the computer is asleep): the hardware address remembered at pairing goes out as
// a magic packet to the loopback network's broadcast address.
TEST_F(CliAgainstPeer, PairingRemembersTheComputerForPairAndWake) {
    startPeer({"--code", "135790"});
    const auto phone = home() / "phone";
    const std::string pc = address();
    expect(phone, {"pair", "--pc", pc}, 4,
           "wants its check code: pocketdesk pair --pc " + pc + " --code NNNNNN");
    expect(phone, {"pair", "--pc", pc, "--code", "000000"}, 4, "refused the check code 000000");
    auto paired = expect(phone, {"pair", "--pc", pc, "--code", "135790", "--json"}, 0, "");
    EXPECT_EQ(paired.document().value("address", ""), "127.0.0.1") << paired.out;
    // Remembered with its code: pairing the last computer needs neither --pc nor --code.
    expect(phone, {"pair"}, 0, "paired with");
    expect(phone, {"pair", "--pc", "127.0.0.1:1:1"}, 5, "");
    expect(home() / "fresh",
           {"pair", "--interface", "lo", "--discovery-port", unusedDiscoveryPort(), "--pc", "NOPE"},
           3, "NOPE");

    ASSERT_TRUE(peerProcess->stop());
    peerProcess.reset();
    BroadcastReceiver card;
    ASSERT_NE(card.port(), 0) << "no UDP port free on 127.255.255.255";
    const std::string port = std::to_string(card.port());
    const std::vector<std::string> wake = {"wake", "--interface", "lo", "--port", port};

    // A loopback computer has no entry in the kernel's neighbour table: nothing was learnt.
    expect(phone, wake, 1,
           "no hardware address known for 127.0.0.1: pair with it once while it is awake");
    {
        SqliteConnection store;
        ASSERT_TRUE(store.open(phone / "Documents" / "AppDataModel.sqlite"));
        ASSERT_TRUE(store.execute("UPDATE PcList SET hwAddress = '02:00:5E:10:20:30'"));
    }
    expect(phone, wake, 0,
           "sent wake packet to 02:00:5e:10:20:30 via lo (127.255.255.255:" + port + ")");
    std::string expected(6, '\xff');
    for (int i = 0; i < 16; ++i)
        expected += std::string("\x02\x00\x5e\x10\x20\x30", 6);
    EXPECT_EQ(card.receive(), expected);

    auto wakeNope = wake;
    wakeNope.insert(wakeNope.end(), {"--pc", "NOPE"});
    expect(phone, wakeNope, 3, "no remembered computer NOPE");
}
