#pragma once
// Starts a real pocketdesk-peer on 127.0.0.1 with a sample disk in a temporary folder.

#include "PeerLauncher.h"
#include "SampleDisk.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pd::test {

class PeerFixture : public TempHome {
  protected:
    // Starts the peer with the sample disk and these extra flags.
    void startPeer(std::vector<std::string> flags = {}) {
        disk = home() / "computer";
        ASSERT_TRUE(peer::writeSampleDisk(disk));
        std::vector<std::string> args = {"--root", disk.string(), "--heartbeat-ms", "5000"};
        // No responder unless the test asks for one: tests run side by side.
        if (std::find(flags.begin(), flags.end(), "--discovery-port") == flags.end()) {
            args.insert(args.end(), {"--discovery-port", "0"});
        }
        args.insert(args.end(), flags.begin(), flags.end());
        auto started = peer::PeerLauncher::start(POCKETDESK_PEER_PATH, args);
        ASSERT_TRUE(started) << "pocketdesk-peer did not start";
        peerProcess = std::make_unique<peer::PeerLauncher>(std::move(*started));
    }
    // The peer as `--pc` takes it: 127.0.0.1:CONTROL:HTTP (1 when it serves no files).
    std::string address() const {
        return "127.0.0.1:" + std::to_string(peerProcess->controlPort()) + ":" +
               std::to_string(peerProcess->httpPort() ? peerProcess->httpPort() : 1);
    }
    void TearDown() override {
        if (peerProcess) {
            EXPECT_TRUE(peerProcess->stop());
        }
    }
    std::filesystem::path disk;
    std::unique_ptr<peer::PeerLauncher> peerProcess;
};

}  // namespace pd::test
