// `pocketdesk get` and `backup` while the computer's program is stopped and started again in
// the middle (same root, code and ports): both finish by themselves, byte for byte.

#include "CaptureImage.h"
#include "CliRun.h"
#include "PeerFixture.h"
#include "support/WaitFor.h"

#include <fstream>
#include <functional>
#include <random>
#include <thread>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(gen());
    }
    return bytes;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::uintmax_t bytesUnder(const fs::path& folder) {
    std::uintmax_t total = 0;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec)) {
        if (e.is_regular_file(ec)) {
            total += e.file_size(ec);
        }
    }
    return total;
}

class CliReconnect : public PeerFixture {
  protected:
    // Starts the peer, the second time on the ports it had; `files` are put on its disk.
    void start(const std::vector<std::string>& extra) {
        std::vector<std::string> flags = {"--code", "246810"};
        if (!control.empty()) {
            flags.insert(flags.end(), {"--port", control, "--http-port", http});
        }
        flags.insert(flags.end(), extra.begin(), extra.end());
        startPeer(flags);
        control = std::to_string(peerProcess->controlPort());
        http = std::to_string(peerProcess->httpPort());
    }
    std::vector<std::string> command(std::vector<std::string> args) const {
        args.insert(args.end(), {"--home", (home() / "phone").string(), "--pc",
                                 "127.0.0.1:" + control + ":" + http, "--code", "246810"});
        return args;
    }
    // Runs the command; once `begun` holds, stops the peer and starts it again.
    Ran acrossRestart(std::vector<std::string> args, const std::function<bool()>& begun,
                      const std::vector<std::string>& extra) {
        fs::create_directories(home() / "scratch");
        Ran ran;
        std::thread running([&] { ran = runCli(command(std::move(args)), home() / "scratch"); });
        EXPECT_TRUE(waitFor(begun, 60s)) << "the command never began its transfer";
        EXPECT_TRUE(peerProcess->stop());
        peerProcess.reset();
        start(extra);
        running.join();
        return ran;
    }
    std::string control;
    std::string http;
};

TEST_F(CliReconnect, AGetOutlivesARestartOfTheComputersProgram) {
    const std::string bytes = randomBytes(6 << 20, 7);
    const std::vector<std::string> paced = {"--http-rate", std::to_string(2 << 20)};
    start(paced);
    writeFile(disk / "D" / "big.bin", bytes);
    const fs::path phone = home() / "phone";
    const Ran ran = acrossRestart(
        {"get", "D:/big.bin"}, [&] { return bytesUnder(phone) > (1u << 20); }, paced);
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_NE(ran.err.find("reconnected"), std::string::npos) << ran.err;
    const fs::path saved = ran.out.substr(0, ran.out.find('\n'));
    EXPECT_TRUE(slurp(saved) == bytes) << saved;
}

TEST_F(CliReconnect, ABackupOfEveryPhotoOutlivesARestartOfTheComputersProgram) {
    const fs::path backups = home() / "backups";
    const std::vector<std::string> receiving = {"--backup-dir", backups.string()};
    start(receiving);
    const fs::path library = home() / "photos";
    std::map<std::string, std::string> photos;
    for (int i = 1; i <= 24; ++i) {
        const std::string name = "IMG_" + std::to_string(1000 + i) + ".JPG";
        photos[name] = peer::CaptureImage::render(1'700'000'000 + i * 61) + randomBytes(2 << 20, i);
        writeFile(library / name, photos[name]);
    }
    const Ran ran = acrossRestart(
        {"backup", "--all", "--photos", library.string()},
        [&] { return bytesUnder(backups) > (6u << 20); }, receiving);
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_NE(ran.err.find("reconnected"), std::string::npos) << ran.err;
    std::size_t found = 0;
    for (const auto& e : fs::directory_iterator(backups)) {
        ++found;
        const auto photo = photos.find(e.path().filename().string());
        ASSERT_NE(photo, photos.end()) << e.path() << " is not one of the photos";
        EXPECT_TRUE(slurp(e.path()) == photo->second) << e.path();
    }
    EXPECT_EQ(found, photos.size());
}

}  // namespace
