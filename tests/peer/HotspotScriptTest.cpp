// The hotspot script: what a good file gives over time, and the files refused at start with
// the line at fault.

#include "HotspotScript.h"
#include "PeerTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <variant>
#include <vector>

namespace pd::peer {
namespace {

std::vector<std::string> models(const std::vector<HotspotClient>& devices) {
    std::vector<std::string> out;
    for (const HotspotClient& d : devices) {
        out.push_back(d.phoneModel);
    }
    return out;
}

std::string lines(std::size_t count, const std::string& line) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += line + "\n";
    }
    return out;
}

TEST(HotspotScriptTest, RosterIsTheLastStartedStateAndTheLastOneIsHeld) {
    const auto parsed = HotspotScript::parse(
        "# a laptop joins, then everybody leaves\r\n"
        "\n"
        "AT 5\n"
        "  This phone | 02:00:00:00:00:02 | 12.5 | 2\r\n"
        "AT 10\n"
        "This phone|02:00:00:00:00:02|12.5|2\n"
        "Study laptop|02:00:00:00:00:03|240.0|0\n"
        "Kitchen tablet|02:00:00:00:00:04||1\n"
        "AT 60\n");
    ASSERT_TRUE(std::holds_alternative<HotspotScript>(parsed))
        << std::get<HotspotScript::Error>(parsed).message;
    const auto& script = std::get<HotspotScript>(parsed);

    const std::pair<std::int64_t, std::vector<std::string>> cases[] = {
        {0, {}},
        {5, {"This phone"}},
        {9, {"This phone"}},
        {10, {"This phone", "Study laptop", "Kitchen tablet"}},
        {59, {"This phone", "Study laptop", "Kitchen tablet"}},
        {60, {}},
        {1'000'000'000, {}},
    };
    for (const auto& [t, expected] : cases) {
        EXPECT_EQ(models(script.snapshot(t)), expected) << "at " << t;
    }

    const auto at10 = script.snapshot(12);
    EXPECT_EQ(at10[0].macAddress, "02:00:00:00:00:02");
    EXPECT_EQ(at10[0].tranSpeed, "12.5");
    EXPECT_EQ(at10[0].connType, kConnTypeThisPhone);
    EXPECT_EQ(at10[1].connType, kConnTypeOrdinary);
    EXPECT_EQ(at10[2].connType, kConnTypeBlocked);
    EXPECT_EQ(at10[2].tranSpeed, "");
    EXPECT_EQ(at10[0].connTime, 12);
}

TEST(HotspotScriptTest, MistakesAreRefusedWithTheirLine) {
    const std::string device = "Phone|02:00:00:00:00:02|1.0|0";
    const std::string longField(kMaxScriptFieldBytes + 1, 'x');
    const std::string widestField(kMaxScriptFieldBytes, 'x');
    struct Case {
        const char* what;
        std::string text;
        std::size_t line;  // 0: refused as a whole; npos: accepted
    };
    constexpr std::size_t kAccepted = std::string::npos;
    const Case cases[] = {
        {"empty file", "", 0},
        {"comments only", "# nothing\n\n", 0},
        {"device before AT", device + "\nAT 0\n", 1},
        {"AT without seconds", "AT\n", 1},
        {"AT with a fraction", "AT 1.5\n", 1},
        {"AT negative", "AT -1\n", 1},
        {"AT with trailing text", "AT 3 s\n", 1},
        {"AT not later", "AT 5\nAT 5\n", 2},
        {"AT going back", "AT 5\nAT 4\n", 2},
        {"lower-case keyword", "at 0\n", 1},
        {"three fields", "AT 0\nPhone|02:00|1.0\n", 2},
        {"five fields", "AT 0\n" + device + "|x\n", 2},
        {"conn type 3", "AT 0\nPhone|mac|1.0|3\n", 2},
        {"conn type text", "AT 0\nPhone|mac|1.0|phone\n", 2},
        {"conn type empty", "AT 0\nPhone|mac|1.0|\n", 2},
        {"invalid UTF-8", "AT 0\nPh\xff|mac|1.0|0\n", 2},
        {"control character", "AT 0\nPh\x01one|mac|1.0|0\n", 2},
        {"field too long", "AT 0\n" + longField + "|mac|1.0|0\n", 2},
        {"widest field", "AT 0\n" + widestField + "|mac|1.0|0\n", kAccepted},
        {"too many devices", "AT 0\n" + lines(kMaxScriptDevices + 1, device), 66},
        {"most devices",
         "AT 0\n" + lines(kMaxScriptDevices, device) + "AT 1\n" + lines(kMaxScriptDevices, device),
         kAccepted},
        {"too many states",
         lines(1, "AT 0") +
             [] {
                 std::string s;
                 for (std::size_t i = 1; i <= kMaxScriptStates; ++i) {
                     s += "AT " + std::to_string(i) + "\n";
                 }
                 return s;
             }(),
         kMaxScriptStates + 1},
        {"empty state", "AT 0\n", kAccepted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto parsed = HotspotScript::parse(c.text);
        if (c.line == kAccepted) {
            EXPECT_TRUE(std::holds_alternative<HotspotScript>(parsed));
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<HotspotScript::Error>(parsed));
        const auto& error = std::get<HotspotScript::Error>(parsed);
        EXPECT_EQ(error.line, c.line) << error.message;
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(HotspotScriptTest, FilesThatCannotBeUsedAreRefusedAsAWhole) {
    test::TempFolder dir;
    const auto good = dir.path() / "good.txt";
    std::ofstream(good) << "AT 0\nPhone|02:00:00:00:00:02|1.0|2\n";
    const auto big = dir.path() / "big.txt";
    std::ofstream(big) << "AT 0\n" << std::string(kMaxScriptBytes, '#') << "\n";

    EXPECT_TRUE(std::holds_alternative<HotspotScript>(HotspotScript::load(good)));
    for (const auto& file : {big, dir.path() / "missing.txt", dir.path()}) {
        SCOPED_TRACE(file.string());
        const auto loaded = HotspotScript::load(file);
        ASSERT_TRUE(std::holds_alternative<HotspotScript::Error>(loaded));
        EXPECT_EQ(std::get<HotspotScript::Error>(loaded).line, 0u);
    }
}

TEST(HotspotRosterTest, DefaultRosterKeepsItsThreeDevicesAndAFourthComesAndGoes) {
    const std::pair<std::int64_t, std::size_t> cases[] = {{0, 3},  {29, 3},  {30, 4},  {59, 4},
                                                          {60, 3}, {119, 3}, {120, 4}, {150, 3}};
    for (const auto& [t, count] : cases) {
        const auto devices = HotspotRoster::snapshot(t);
        EXPECT_EQ(devices.size(), count) << "at " << t;
        EXPECT_EQ(devices[0].connType, kConnTypeThisPhone);
    }
}

}  // namespace
}  // namespace pd::peer
