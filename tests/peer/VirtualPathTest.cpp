#include "VirtualPath.h"

#include <gtest/gtest.h>

namespace pd::peer {
namespace {

TEST(VirtualPath, EverySpellingGivesOneWindowsAndOneSlashForm) {
    struct Case {
        const char* text;
        const char* windows;
        const char* slash;
    };
    for (const Case& c : {Case{"C:", "C:\\", "C:"}, Case{"c:/", "C:\\", "C:"},
                          Case{"C:\\Music\\Pop\\", "C:\\Music\\Pop", "C:/Music/Pop"},
                          Case{"/D:/a//b/./c", "D:\\a\\b\\c", "D:/a/b/c"},
                          Case{"desktop/x", "Desktop\\x", "Desktop/x"}, Case{"", "", ""}}) {
        std::optional<VirtualPath> p = VirtualPath::parse(c.text);
        ASSERT_TRUE(p) << c.text;
        EXPECT_EQ(p->windowsText(), c.windows) << c.text;
        EXPECT_EQ(p->slashText(), c.slash) << c.text;
    }
}

TEST(VirtualPath, RefusesWhatCouldLeaveTheTree) {
    for (const char* text : {"C:/..", "..", "C:/a/../b", "usr/lib", "CC:/x", "1:/x", "C:x"}) {
        EXPECT_FALSE(VirtualPath::parse(text)) << text;
    }
    EXPECT_FALSE(VirtualPath::parse(std::string(kMaxPathBytes + 1, 'a')));
    EXPECT_FALSE(VirtualPath::parse("C:/" + std::string(kMaxComponentBytes + 1, 'a')));
    EXPECT_TRUE(VirtualPath::parse("C:/..x/x..")) << "dots inside a name are a name";
}

}  // namespace
}  // namespace pd::peer
