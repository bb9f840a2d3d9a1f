// The terminal front-end's More screen commands (cache, settings) and its search of one
// address, against the real peer on 127.0.0.1.

#include "CliRun.h"
#include "PeerFixture.h"

#include <nlohmann/json.hpp>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

class CliMore : public PeerFixture {
  protected:
    Ran run(std::vector<std::string> args) {
        args.insert(args.end(), {"--home", phone().string()});
        return runCli(std::move(args), home());
    }
    nlohmann::json json(std::vector<std::string> args) {
        args.push_back("--json");
        const Ran r = run(std::move(args));
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::json::parse(r.out, nullptr, false);
    }
    fs::path phone() const { return home() / "phone"; }
};

}  // namespace

TEST_F(CliMore, ScanByAddressFindsThePeerThatAnswersOnIt) {
    const std::string port = std::to_string(peer::freeUdpPort());
    startPeer({"--discovery-port", port, "--discovery-unicast", "--name", "UNI-PC", "--tag", "U1"});
    const auto doc = json({"scan", "--host", "127.0.0.1", "--discovery-port", port});
    ASSERT_EQ(doc["computers"].size(), 1u) << doc;
    EXPECT_EQ(doc["computers"][0].value("tag", ""), "U1");
    EXPECT_EQ(doc["computers"][0].value("control_port", 0), peerProcess->controlPort());

    const Ran bad = run({"scan", "--host", "not-an-address"});
    EXPECT_EQ(bad.status, 2) << bad.err;
}

TEST_F(CliMore, CacheShowsItsSizeAndClearsOnlyWhenConfirmed) {
    const fs::path cache = phone() / "tmp" / "Cache";
    fs::create_directories(cache);
    std::ofstream(cache / "a.bin", std::ios::binary) << std::string(1572864, 'x');

    EXPECT_EQ(run({"cache"}).out, "1 MB  " + cache.string() + "\n");

    // No answer on stdin is a no.
    const Ran declined = run({"cache", "clear"});
    EXPECT_EQ(declined.status, 0) << declined.err;
    EXPECT_TRUE(fs::exists(cache / "a.bin"));

    const auto cleared = json({"cache", "clear", "--yes"});
    EXPECT_EQ(cleared.value("freed_bytes", 0), 1572864);
    EXPECT_TRUE(fs::is_empty(cache));
}

TEST_F(CliMore, SettingsListEveryRowAndChangeThePhotoFolder) {
    const fs::path pictures = home() / "pictures";
    fs::create_directories(pictures);
    const auto rows = json({"settings"})["settings"];
    std::vector<std::string> names;
    for (const auto& row : rows)
        names.push_back(row.value("name", ""));
    EXPECT_EQ(names, (std::vector<std::string>{"phone-files", "report-host", "feedback-url",
                                               "photo-folder"}));

    EXPECT_EQ(run({"settings", "photo-folder", pictures.string()}).status, 0);
    EXPECT_EQ(json({"settings", "photo-folder"}).value("value", ""), pictures.string());
    const Ran missing = run({"settings", "photo-folder", (home() / "nowhere").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("is not a folder"), std::string::npos) << missing.err;
    EXPECT_EQ(json({"settings", "photo-folder"}).value("value", ""), pictures.string());
    EXPECT_EQ(run({"settings", "photo-folder", "default"}).status, 0);
    EXPECT_EQ(json({"settings", "photo-folder"}).value("value", "").rfind("default", 0), 0u);
}
