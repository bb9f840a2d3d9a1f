// The remote control commands as a user types them, against the real peer on 127.0.0.1: what
// each control sends (read back from the peer's frame log), the toggles remembered across runs,
// a capture kept byte for byte (what is no picture, the controller tests show), the capture
// history, the hotspot list and the power commands.

#include "CaptureImage.h"
#include "CliRun.h"
#include "PeerFixture.h"

#include <nlohmann/json.hpp>

#include <fstream>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kCode = "246810";

// A plug message as the peer received it: plug id, target, type and content.
struct Plug {
    std::string id;
    std::string target;
    int type = 0;
    std::string content;
    bool operator==(const Plug&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Plug& p) {
    return os << p.id << "->" << p.target << " type " << p.type << " " << p.content;
}

class CliRemoteControl : public PeerFixture {
  protected:
    void SetUp() override { log = home() / "frames.log"; }
    void startLoggingPeer(std::vector<std::string> flags = {}) {
        flags.insert(flags.end(), {"--code", kCode, "--log", log.string()});
        startPeer(flags);
        ASSERT_EQ(run({"pair", "--code", kCode}).status, 0);
    }

    // `pocketdesk ARGS --pc PEER --home PHONE`.
    Ran run(std::vector<std::string> args) {
        const bool takesComputer = args[0] != "captures";
        if (takesComputer && peerProcess) {
            args.insert(args.end(), {"--pc", address()});
        }
        args.insert(args.end(), {"--home", phone.string()});
        return runCli(std::move(args), home());
    }

    // The requests with this code the peer received so far, in order (bodies).
    std::vector<nlohmann::json> received(int code) const {
        std::vector<nlohmann::json> bodies;
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);) {
            auto frame = nlohmann::json::parse(line, nullptr, false);
            if (frame.value("dir", "") == "in" && frame.value("code", -1) == code) {
                bodies.push_back(frame["body"]);
            }
        }
        return bodies;
    }
    std::vector<Plug> plugs() const {
        std::vector<Plug> all;
        for (const auto& body : received(26)) {
            all.push_back({body[1], body[2], body[3], body[4]});
        }
        return all;
    }

    fs::path phone = home() / "phone";
    fs::path log;
};

TEST_F(CliRemoteControl, EachControlSendsExactlyItsPlugMessageAndUsageErrorsSendNothing) {
    startLoggingPeer();
    const struct {
        std::vector<std::string> args;
        Plug sent;
        std::string said;
    } cases[] = {
        {{"volume", "40"}, {"1", "1", 1, R"({"c":"0","d":"40"})"}, "volume 40"},
        // Mute sends the volume last chosen, kept from the run before.
        {{"mute"}, {"1", "1", 1, R"({"c":"1","d":"40"})"}, "sound"},
        {{"music", "prev"}, {"3", "3", 1, R"({"c":"3"})"}, "previous track"},
        {{"music", "next"}, {"3", "3", 1, R"({"c":"4"})"}, "next track"},
        {{"slides", "next"}, {"4", "4", 1, R"({"c":"4","d":""})"}, "next page"},
        {{"slides", "open", "D:/talks/q1.pptx"},
         {"4", "4", 1, R"({"c":"1","d":"D:\\talks\\q1.pptx"})"},
         "opened D:/talks/q1.pptx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.at(0) + " " + c.args.back());
        const std::size_t before = plugs().size();
        const Ran r = run(c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(c.said), std::string::npos) << r.out;
        const auto after = plugs();
        ASSERT_EQ(after.size(), before + 1);
        EXPECT_EQ(after.back(), c.sent);
    }
    // The toggles are remembered across runs, per computer.
    const struct {
        std::vector<std::string> args;
        std::string first, second;
        Plug sent;
    } toggles[] = {
        {{"music", "play"}, "playing", "paused", {"3", "3", 1, R"({"c":"5"})"}},
        {{"slides", "start"}, "show started", "show ended", {"4", "4", 1, R"({"c":"5","d":""})"}},
    };
    for (const auto& t : toggles) {
        SCOPED_TRACE(t.args.at(0));
        const std::size_t before = plugs().size();
        EXPECT_EQ(run(t.args).out, t.first + "\n");
        EXPECT_EQ(run(t.args).out, t.second + "\n");
        EXPECT_EQ(run(t.args).out, t.first + "\n");
        const auto after = plugs();
        ASSERT_EQ(after.size(), before + 3);
        for (std::size_t i = before; i < after.size(); ++i) {
            EXPECT_EQ(after[i], t.sent);
        }
    }
    const Ran locked = run({"power", "lock", "--yes"});
    EXPECT_EQ(locked.status, 0) << locked.err;
    EXPECT_EQ(locked.out, "The screen is locked\n");
    EXPECT_EQ(received(20).size(), 1u);

    // No answer to the question (stdin is empty): not confirmed, nothing sent.
    const Ran unanswered = run({"power", "shutdown"});
    EXPECT_EQ(unanswered.status, 1);
    EXPECT_NE(unanswered.err.find("not confirmed"), std::string::npos) << unanswered.err;
    EXPECT_TRUE(received(25).empty());

    const std::vector<std::string> usage[] = {
        {"volume", "101"},
        {"music", "louder"},
        {"slides", "open"},
        {"power", "sleep"},
    };
    const std::size_t before = plugs().size();
    for (const auto& args : usage) {
        EXPECT_EQ(run(args).status, 2) << args.at(0) << " " << args.at(1);
    }
    EXPECT_EQ(plugs().size(), before);
}

TEST_F(CliRemoteControl, ACaptureIsKeptByteForByteListedAndDeleted) {
    // A picture of our own, with bytes after its end that a re-encoding would lose.
    std::string picture = peer::CaptureImage::render(86400 * 3);
    picture += "trailing bytes kept as sent";
    const fs::path image = home() / "screen.jpg";
    std::ofstream(image, std::ios::binary) << picture;
    startLoggingPeer({"--capture-image", image.string()});

    const Ran taken = run({"capture"});
    ASSERT_EQ(taken.status, 0) << taken.err;
    const fs::path saved = taken.out.substr(0, taken.out.find('\n'));
    EXPECT_EQ(saved.parent_path().filename(), "ScreenCap");
    EXPECT_EQ(slurp(saved), picture);

    const auto listed = nlohmann::json::parse(run({"captures", "--json"}).out, nullptr, false);
    ASSERT_TRUE(listed.is_array() && listed.size() == 1) << listed;
    EXPECT_EQ(listed[0].value("name", ""), saved.filename().string());
    EXPECT_EQ(listed[0].value("path", ""), saved.string());
    EXPECT_FALSE(listed[0].value("time", "").empty());

    const Ran unknown = run({"captures", "rm", "20000101000000.jpg"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("no capture named 20000101000000.jpg"), std::string::npos);
    EXPECT_TRUE(fs::exists(saved));

    const Ran removed = run({"captures", "rm", saved.filename().string()});
    EXPECT_EQ(removed.status, 0) << removed.err;
    EXPECT_FALSE(fs::exists(saved));
    EXPECT_EQ(run({"captures", "--json"}).out, "[]\n");
}

TEST_F(CliRemoteControl, HotspotListsThePeersDevices) {
    startLoggingPeer();
    const Ran r = run({"hotspot", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_TRUE(rows.is_array() && rows.size() == 3) << r.out;
    EXPECT_EQ(rows[1].value("name", ""), "Study laptop");
    EXPECT_EQ(rows[2].value("kind", ""), "blocked");
}

}  // namespace
