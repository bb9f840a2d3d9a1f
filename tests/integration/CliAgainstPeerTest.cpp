// The terminal front-end as a user runs it, against the real peer on 127.0.0.1.

#include "PeerFixture.h"

#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <sstream>

using namespace pd;
using namespace pd::test;

namespace {

struct CliResult {
    int status = -1;
    std::vector<nlohmann::json> lines;  // stdout, one JSON object per line
    std::string text;
};

// Runs pocketdesk with stdin closed, so it never waits for a person.
CliResult runCli(const std::filesystem::path& home, const std::vector<std::string>& args) {
    std::string command = std::string(POCKETDESK_CLI_PATH) + " --home '" + home.string() + "'";
    for (const auto& a : args)
        command += " '" + a + "'";
    command += " </dev/null 2>/dev/null";
    CliResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    std::array<char, 4096> buf{};
    while (std::fgets(buf.data(), buf.size(), pipe))
        result.text += buf.data();
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream in(result.text);
    for (std::string line; std::getline(in, line);) {
        auto j = nlohmann::json::parse(line, nullptr, false);
        if (!j.is_discarded())
            result.lines.push_back(j);
    }
    return result;
}

bool hasEvent(const CliResult& r, const std::string& event) {
    for (const auto& j : r.lines) {
        if (j.value("event", "") == event)
            return true;
    }
    return false;
}

class CliAgainstPeer : public PeerFixture {
  protected:
    std::string address() const {
        return "127.0.0.1:" + std::to_string(peerProcess->controlPort()) + ":" +
               std::to_string(peerProcess->httpPort() ? peerProcess->httpPort() : 1);
    }
};

}  // namespace

TEST_F(CliAgainstPeer, ScanListsThePeerOnTheLoopbackInterface) {
    const int port = peer::freeUdpPort();
    startPeer({"--discovery-port", std::to_string(port), "--name", "LAB-PC", "--tag", "L4B"});
    auto r = runCli(home() / "phone", {"--interface", "lo", "--discovery-port",
                                       std::to_string(port), "--json", "scan"});
    EXPECT_EQ(r.status, 0) << r.text;
    bool found = false;
    for (const auto& j : r.lines) {
        if (j.value("event", "") == "computer") {
            found = true;
            EXPECT_EQ(j.value("name", ""), "LAB-PC");
            EXPECT_EQ(j.value("tag", ""), "L4B");
            EXPECT_EQ(j.value("address", ""), "127.0.0.1");
            EXPECT_EQ(j.value("control_port", 0), peerProcess->controlPort());
            EXPECT_FALSE(j.value("remembered", true));
        }
    }
    EXPECT_TRUE(found) << r.text;
}

TEST_F(CliAgainstPeer, ScanWithNobodyAnsweringSaysSo) {
    auto r = runCli(home() / "phone", {"--interface", "lo", "--discovery-port",
                                       std::to_string(peer::freeUdpPort()), "scan"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.text.find("no computer found"), std::string::npos) << r.text;
}

TEST_F(CliAgainstPeer, PairExitStatusesAndRemembering) {
    startPeer({"--code", "135790"});
    const auto phone = home() / "phone";
    auto refused = runCli(phone, {"--pc", address(), "--json", "pair"});
    EXPECT_EQ(refused.status, 4) << refused.text;
    EXPECT_TRUE(hasEvent(refused, "refused"));

    auto paired = runCli(phone, {"--pc", address(), "--code", "135790", "--json", "pair"});
    EXPECT_EQ(paired.status, 0) << paired.text;
    EXPECT_TRUE(hasEvent(paired, "paired"));

    // Remembered with its code: pairing the last computer needs neither --pc nor --code.
    auto again = runCli(phone, {"--json", "pair"});
    EXPECT_EQ(again.status, 0) << again.text;

    auto nowhere = runCli(phone, {"--pc", "127.0.0.1:1:1", "pair"});
    EXPECT_EQ(nowhere.status, 5) << nowhere.text;

    auto nobody =
        runCli(home() / "fresh", {"--interface", "lo", "--discovery-port",
                                  std::to_string(peer::freeUdpPort()), "--pc", "NOPE", "pair"});
    EXPECT_EQ(nobody.status, 3) << nobody.text;
}

TEST_F(CliAgainstPeer, BrowseDownloadPreviewAndClassesAsAUserWould) {
    startPeer({"--code", "424242"});
    const auto phone = home() / "phone";
    ASSERT_EQ(runCli(phone, {"--pc", address(), "--code", "424242", "pair"}).status, 0);

    auto drives = runCli(phone, {"--json", "ls"});
    ASSERT_EQ(drives.status, 0) << drives.text;
    int driveCount = 0;
    for (const auto& j : drives.lines)
        driveCount += j.value("event", "") == "entry";
    EXPECT_EQ(driveCount, 3);  // C:, D: and the desktop

    auto music = runCli(phone, {"--json", "ls", "D:/Music"});
    ASSERT_EQ(music.status, 0) << music.text;
    bool sawSong = false;
    for (const auto& j : music.lines) {
        if (j.value("name", "") == "song.mp3") {
            sawSong = true;
            EXPECT_EQ(j.value("kind", ""), "file");
            EXPECT_EQ(j.value("size", 0u), 2'500'000u);
        }
    }
    EXPECT_TRUE(sawSong) << music.text;

    auto get =
        runCli(phone, {"--json", "get", "D:/Music/song.mp3", "C:/Users/Demo/Documents/notes.txt"});
    ASSERT_EQ(get.status, 0) << get.text;
    std::vector<std::string> paths;
    for (const auto& j : get.lines) {
        if (j.value("event", "") == "downloaded")
            paths.push_back(j.value("path", ""));
    }
    ASSERT_EQ(paths.size(), 2u) << get.text;
    for (const auto& p : paths) {
        EXPECT_TRUE(std::filesystem::exists(p)) << p;
        EXPECT_TRUE(p.find((phone / "Documents" / "UserData" / "DownFiles").string()) == 0) << p;
    }
    EXPECT_EQ(std::filesystem::file_size(paths[0]), 2'500'000u);

    auto missing = runCli(phone, {"get", "D:/Music/nothing.mp3"});
    EXPECT_NE(missing.status, 0);

    auto list = runCli(phone, {"--json", "downloads"});
    ASSERT_EQ(list.status, 0) << list.text;
    int finished = 0;
    for (const auto& j : list.lines)
        finished += j.value("event", "") == "finished";
    EXPECT_EQ(finished, 2);
    auto removed = runCli(phone, {"--yes", "downloads", "rm", paths[1]});
    EXPECT_EQ(removed.status, 0) << removed.text;
    EXPECT_FALSE(std::filesystem::exists(paths[1]));

    auto preview = runCli(phone, {"--json", "preview", "Desktop/readme.pdf"});
    ASSERT_EQ(preview.status, 0) << preview.text;
    std::string cached;
    for (const auto& j : preview.lines) {
        if (j.value("event", "") == "preview")
            cached = j.value("path", "");
    }
    ASSERT_FALSE(cached.empty());
    EXPECT_EQ(std::filesystem::file_size(cached), 40'000u);

    EXPECT_EQ(runCli(phone, {"class", "add", "music", "D:/Music"}).status, 0);
    auto members = runCli(phone, {"--json", "ls", "--class", "music"});
    bool listed = false;
    for (const auto& j : members.lines)
        listed |= j.value("kind", "") == "class folder";
    EXPECT_TRUE(listed) << members.text;
    EXPECT_EQ(runCli(phone, {"class", "del", "music", "D:/Music"}).status, 0);
}
