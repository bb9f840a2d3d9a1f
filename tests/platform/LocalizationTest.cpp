#include "platform/Localization.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace pd {
namespace {

TEST(Localization, KnownKeysHaveTextsAndUnknownKeysFallBackToThemselves) {
    for (const char* key :
         {"more", "about", "homeUrl", "clean finish", "no need clear", "file", "pic", "video",
          "music", "computer", "connection failed", "pc Rejected", "switchPc", "cancel", "ok"}) {
        const std::string text = Localized(key);
        EXPECT_FALSE(text.empty()) << key;
        EXPECT_NE(text, key) << key << " has no display text";
    }
    EXPECT_EQ(Localized("ok"), "OK");
    EXPECT_EQ(Localized(""), "");

    // Missing keys may be looked up from many threads at once.
    std::vector<std::thread> threads;
    std::vector<std::string> results(8);
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int j = 0; j < 50; ++j) {
                results[i] = Localized("missing " + std::to_string(j % 5));
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(results, std::vector<std::string>(8, "missing 4"));
}

}  // namespace
}  // namespace pd
