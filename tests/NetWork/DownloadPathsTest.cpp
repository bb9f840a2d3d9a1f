// Where kept downloads land: names from the computer never escape the downloads folder, never
// land on another file, and the same path on two computers gives two files.

#include "NetWork/DownloadPaths.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace pd;

TEST(DownloadPaths, NamesThatAreNoFileAreRefused) {
    struct Case {
        const char* path;
        bool usable;
    };
    const Case cases[] = {{"C:/a/b.txt", true}, {"C:/a/temp", true}, {"C:\\a\\..", false},
                          {"C:/a/.", false},    {"C:/a/", false},    {"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(usableFileName(c.path), c.usable);
        EXPECT_EQ(keptDownloadPaths(c.path, "TAG").has_value(), c.usable);
    }
}

TEST(DownloadPaths, EachComputerAndFolderHasItsOwnFilesAndTemporaryArea) {
    ScopedTempHome home;
    const auto first = *keptDownloadPaths("D:/Music/song.mp3", "PC-1");
    const auto second = *keptDownloadPaths("D:/Music/song.mp3", "PC-2");
    EXPECT_NE(first.destination, second.destination);
    // Without a computer the folder is the one earlier versions used.
    EXPECT_EQ(keptDownloadPaths("D:/Music/song.mp3")->folder,
              first.folder.substr(0, first.folder.rfind('-')));

    // A file named like the temporary area is a file of its own.
    const auto temp = *keptDownloadPaths("D:/Music/temp", "PC-1");
    EXPECT_NE(temp.destination, first.folder + "/" + kTemporaryArea);
    EXPECT_EQ(first.temporary, first.folder + "/" + kTemporaryArea + "/song.mp3");

    // Separators in a hostile path end the name: nothing reaches outside the key folder.
    const auto hostile = *keptDownloadPaths("C:/x/../../../etc/passwd", "PC-1");
    EXPECT_EQ(hostile.destination.rfind(hostile.folder + "/", 0), 0u);
    EXPECT_EQ(hostile.destination.substr(hostile.folder.size() + 1), "passwd");
}
