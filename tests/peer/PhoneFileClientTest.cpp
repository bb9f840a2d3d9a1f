// Names the peer saves fetched phone files under: never a path, never a control character.

#include "PhoneFileClient.h"

#include <gtest/gtest.h>

using pd::peer::PhoneFileClient;

TEST(PhoneFileClientNames, FetchedPathsBecomeSafeFileNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"/我的文档/sub/a.txt", "a.txt"},
        {"/我的相册/IMG_0001.JPG", "IMG_0001.JPG"},
        {"/我的文档/sub/..", "file"},
        {"/我的文档/sub/", "file"},
        {"..", "file"},
        {"/x/line\nbreak\x1b[2J.txt", "line_break_[2J.txt"},
        {"/x/back\\slash:colon", "back_slash_colon"},
        {"/x/" + std::string(300, 'n'), std::string(255, 'n')},
        // Cut before a multi-byte character rather than inside it.
        {"/x/" + std::string(254, 'n') + "档", std::string(254, 'n')},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(PhoneFileClient::savedName(path), name) << path;
    }
}
