#include "ClassStore.h"
#include "PeerTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pd::peer {
namespace {

namespace fs = std::filesystem;
using Change = ClassStore::Change;

TEST(ClassStore, ChangesSurviveARestart) {
    test::TempFolder dir;
    fs::path file = dir.path() / "disk.classes.json";
    {
        ClassStore store(file);
        EXPECT_EQ(store.add(4096, "C:\\Music"), Change::Done);
        EXPECT_EQ(store.add(4096, "D:\\Songs"), Change::Done);
        EXPECT_EQ(store.add(16, "C:\\Pictures"), Change::Done);
        EXPECT_EQ(store.remove(16, "C:\\Pictures"), Change::Done);
    }
    ClassStore reopened(file);
    EXPECT_EQ(reopened.members(4096), (std::vector<std::string>{"C:\\Music", "D:\\Songs"}));
    EXPECT_TRUE(reopened.members(16).empty());
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
}

// The dispatcher asks this before any change or listing of a class.
TEST(ClassStore, OnlyTheFourClassesExist) {
    for (std::int32_t id : {0, 2, 17, 4097, -1}) {
        EXPECT_FALSE(ClassStore::isClassId(id)) << id;
    }
    for (std::int32_t id : {1, 16, 256, 4096}) {
        EXPECT_TRUE(ClassStore::isClassId(id)) << id;
    }
}

// An unreadable file is moved aside, not lost; a write that fails is reported and not kept.
TEST(ClassStore, FileTroubleIsReported) {
    test::TempFolder dir;
    fs::path file = dir.path() / "c.json";
    std::ofstream(file) << "{ this is not json";
    ClassStore store(file);
    EXPECT_TRUE(store.members(1).empty());
    EXPECT_TRUE(fs::exists(file.string() + ".bad"));
    EXPECT_EQ(store.add(1, "C:\\x"), Change::Done);

    ClassStore unwritable(dir.path() / "no-such-folder" / "c.json");
    EXPECT_EQ(unwritable.add(1, "C:\\x"), Change::WriteFailed);
    EXPECT_TRUE(unwritable.members(1).empty());
}

}  // namespace
}  // namespace pd::peer
