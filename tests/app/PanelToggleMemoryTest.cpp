// The panel's toggles remembered per computer across runs, and what a damaged store reads as.

#include "app/PanelToggleMemory.h"

#include "platform/UserDefaults.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace pd;
using namespace pd::test;

TEST_F(TempHome, PanelTogglesAreKeptPerComputerAndSurviveANewStore) {
    const auto file = home() / "defaults.json";
    {
        UserDefaults defaults(file);
        PanelToggleMemory memory(defaults);
        EXPECT_EQ(memory.read("PC-A"), PanelToggles{});
        memory.write("PC-A", {true, false});
        memory.write("127.0.0.1:6000:6001", {false, true});
        memory.write("PC-A", {true, true});  // a later write replaces, the other stays
    }
    UserDefaults reopened(file);
    const PanelToggleMemory memory(reopened);
    EXPECT_EQ(memory.read("PC-A"), (PanelToggles{true, true}));
    EXPECT_EQ(memory.read("127.0.0.1:6000:6001"), (PanelToggles{false, true}));
    EXPECT_EQ(memory.read("PC-B"), PanelToggles{});
}

TEST_F(TempHome, ADamagedPanelToggleStoreReadsAsTheInitialStateAndIsRepairedByAWrite) {
    UserDefaults defaults(home() / "defaults.json");
    PanelToggleMemory memory(defaults);
    for (const char* stored :
         {"not json", "[1,2]", R"({"PC-A":"yes"})", R"({"PC-A":{"music":1}})"}) {
        defaults.setString(PanelToggleMemory::kKey, stored);
        EXPECT_EQ(memory.read("PC-A"), PanelToggles{}) << stored;
    }
    memory.write("PC-A", {true, false});
    EXPECT_EQ(memory.read("PC-A"), (PanelToggles{true, false}));
    // A tag that is not UTF-8 is stored without harm.
    memory.write(std::string("PC-\xff"), {false, true});
    EXPECT_EQ(memory.read("PC-A"), (PanelToggles{true, false}));
}
