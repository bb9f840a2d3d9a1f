// The gamepad and microphone commands against the real peer on 127.0.0.1: the key events the
// peer's gamepad receiver sees for each press, the two configurations and a changed key, usage
// errors that send nothing, and a sound file that reaches the peer's audio receiver byte for
// byte.

#include "CliRun.h"
#include "PeerFixture.h"
#include "support/SoundFiles.h"

#include <nlohmann/json.hpp>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

using Keys = std::vector<std::string>;

class CliGamepadMic : public PeerFixture {
  protected:
    void SetUp() override { startPeer({"--direct-accept"}); }

    Ran run(std::vector<std::string> args, bool takesComputer = true) {
        if (takesComputer) {
            args.insert(args.end(), {"--pc", address()});
        }
        args.insert(args.end(), {"--home", phone.string()});
        return runCli(std::move(args), home());
    }

    // The peer's events of one kind since the last look, as "key action" for the gamepad.
    // The command has ended, so everything it sent is on its way; the peer stays quiet after.
    std::vector<nlohmann::json> events(const std::string& kind) {
        std::vector<nlohmann::json> found;
        while (auto e = peerProcess->nextEvent(std::chrono::milliseconds(500))) {
            if (e->value("event", "") == kind) {
                found.push_back(*e);
            }
        }
        return found;
    }
    Keys keys() {
        Keys all;
        for (const auto& e : events("gamepad")) {
            all.push_back(std::to_string(e.value("key", -1)) + " " + e.value("action", ""));
        }
        return all;
    }

    fs::path phone = home() / "phone";
};

TEST_F(CliGamepadMic, EachPressArrivesAsThePadSendsIt) {
    const struct {
        std::vector<std::string> press;
        Keys received;
    } cases[] = {
        // A face button goes down and up; its key-up is sent twice.
        {{"x"}, {"20 down", "20 up", "20 already up"}},
        // A shoulder button is one click, on lifting.
        {{"l1"}, {"34 click"}},
        {{"start", "select"}, {"56 click", "57 click"}},
        // A direction: its key down, then the release of all four directions, each twice.
        {{"up"},
         {"32 down", "32 up", "10 already up", "28 already up", "13 already up", "32 already up",
          "10 already up", "28 already up", "13 already up"}},
        // Held when the command ends: leaving the pad lifts it.
        {{"x:down"}, {"20 down", "20 up", "20 already up"}},
        {{"ring:down", "ring:up"}, {"19 down", "19 up", "19 already up"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.press.front());
        std::vector<std::string> args = {"gamepad", "press"};
        args.insert(args.end(), c.press.begin(), c.press.end());
        const Ran r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(keys(), c.received);
    }
    const Ran r = run({"gamepad", "press", "x", "--json"});
    const auto shown = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_TRUE(shown.contains("presses")) << r.out;
    EXPECT_EQ(shown["presses"][0].value("key", ""), "K");
    EXPECT_EQ(shown["presses"][0].value("code", 0), 20);
}

TEST_F(CliGamepadMic, TheConfigurationOpenedLastIsTheOneThePadPlaysAndMistakesChangeNothing) {
    // Each step opens a configuration (by its keys or --config) and presses once.
    const struct {
        std::vector<std::string> open;  // run before the press (no computer), or empty
        std::vector<std::string> press;
        std::string first;  // the first key event the peer sees
    } steps[] = {
        {{}, {"gamepad", "press", "l1"}, "34 click"},  // configuration 1's defaults, fresh
        {{"gamepad", "keys", "2"}, {"gamepad", "press", "up"}, "36 down"},
        {{}, {"gamepad", "press", "l1"}, "48 click"},  // Num7, still configuration 2
        {{}, {"gamepad", "press", "--config", "1", "up"}, "32 down"},
        {{"gamepad", "keys", "1", "l1", "PageDown"}, {"gamepad", "press", "l1"}, "73 click"},
        {{}, {"gamepad", "press", "--config", "2", "triangle"}, "45 down"},  // Num4
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.press.back());
        if (!s.open.empty()) {
            const Ran opened = run(s.open, false);
            EXPECT_EQ(opened.status, 0) << opened.err;
        }
        const Ran r = run(s.press);
        EXPECT_EQ(r.status, 0) << r.err;
        const Keys got = keys();
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.front(), s.first);
    }
    // Usage errors send nothing and store nothing.
    const struct {
        std::vector<std::string> args;
        std::string said;  // in the message
    } cases[] = {
        {{"gamepad", "press", "jump"}, "up, down, left, right, triangle"},
        {{"gamepad", "press", "x:sideways"}, ":down or :up"},
        {{"gamepad", "keys", "1", "l1", "Banana"}, "PageDown"},
        {{"gamepad", "keys", "1", "jump", "F1"}, "select"},
        {{"gamepad", "keys", "3"}, "3"},
        // stdin is no terminal here.
        {{"gamepad"}, "gamepad press"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const bool keys = c.args.size() > 1 && c.args[1] == "keys";
        const Ran r = run(c.args, !keys);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    }
    EXPECT_EQ(keys(), Keys{});
    // The refused name was not stored.
    const auto shown =
        nlohmann::json::parse(run({"gamepad", "keys", "1", "--json"}, false).out, nullptr, false);
    ASSERT_TRUE(shown.contains("buttons")) << shown;
    EXPECT_EQ(shown["buttons"][8],
              (nlohmann::json{{"button", "l1"}, {"key", "PageDown"}, {"code", 73}}));
    EXPECT_EQ(shown["buttons"][0].value("key", ""), "W");
}

TEST_F(CliGamepadMic, ASoundFileReachesTheComputerByteForByte) {
    // Two seconds of samples that differ, so that a lost or moved byte shows.
    const auto ramp = rampSamples(16000);
    const auto bytes = asBytes(ramp);
    const std::string samples(bytes.begin(), bytes.end());
    const fs::path wav = home() / "two-seconds.wav";
    writeWav16(wav, 8000, 1, ramp);
    // Each run is a new panel, so a new connection and a new file on the computer.
    for (int connection = 1; connection <= 2; ++connection) {
        SCOPED_TRACE(connection);
        const Ran r = run({"mic", "--wav", wav.string()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("sent 32000 bytes (2.0 s of audio); buffers lost 0, dropped 0"),
                  std::string::npos)
            << r.out;
        std::optional<nlohmann::json> saved;
        while (auto e = peerProcess->nextEvent(std::chrono::seconds(10))) {
            if (e->value("event", "") == "audio_saved") {
                saved = e;
                break;
            }
        }
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->value("connection", 0), connection);
        EXPECT_EQ(saved->value("bytes", 0), 32000);
        const std::string file = slurp(saved->value("path", ""));
        ASSERT_EQ(file.size(), 44u + 32000u);
        EXPECT_TRUE(file.substr(44) == samples);
    }
    // A microphone that cannot open says why and sends nothing.
    const Ran r = run({"mic", "--device", "hw:99,0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("mic: "), std::string::npos) << r.err;
    EXPECT_EQ(events("audio_saved").size(), 0u);
}

}  // namespace
