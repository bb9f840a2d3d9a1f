// The computer's phone-file commands against a real user-data folder with a file outside it:
// what each verb answers, and that no hostile path lists, reads or deletes anything outside.

#include "core/PhoneFileService.h"
#include "core/Settings.h"

#include "platform/UserDefaults.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <sstream>

using namespace pd;
using namespace pd::test;
namespace fs = std::filesystem;

namespace {

// Records what the service asks of the data channel; a "sent" file is read whole here.
class RecordingTransport : public PhoneFileTransport {
  public:
    bool connect(int port) override {
        ports.push_back(port);
        open = acceptConnect;
        return open;
    }
    bool send(std::shared_ptr<UploadSource> source, std::function<void(bool)> done) override {
        if (!open) {
            return false;
        }
        open = false;
        std::string bytes(source->size(), '\0');
        const auto n = source->read(0, bytes);
        sent.push_back(n ? bytes.substr(0, *n) : "<unreadable>");
        done(n.has_value());
        return true;
    }
    bool acceptConnect = true;
    bool open = false;
    std::vector<int> ports;
    std::vector<std::string> sent;
};

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class PhoneFileServiceTest : public TempHome {
  protected:
    void SetUp() override {
        root = home() / "UserData";
        outside = home() / "outside";
        write(outside / "secret.txt", "SECRET");
        write(root / "DownFiles" / "Video" / ".keep", "");
        write(root / "notes.txt", "top-level notes");
        write(root / "sub" / "a.txt", "alpha");
        write(root / "sub" / "deep" / "b.txt", "beta");
        write(root / "我的相册" / "c.txt", "not an album photo");
        fs::create_directory_symlink(outside, root / "outdir");
        fs::create_symlink(outside / "secret.txt", root / "sub" / "outfile");
        fs::create_symlink(root / "sub" / "a.txt", root / "sub" / "inlink");

        PhoneFileService::Services s;
        s.userDataFolder = [this] { return root; };
        s.enabled = [this] { return Settings(defaults).phoneFilesOn(); };
        s.transport = transport;
        s.loadAssets = [this](std::function<void()> done) {
            album = scanned;
            done();
        };
        s.assets = [this] { return album; };
        service = PhoneFileService::create(s);
        service->setObserver([this](const PhoneFileEvent&) {
            std::lock_guard lock(mutex);
            ++events;
        });
    }

    // The reply to one command line; nullopt when none was given.
    std::optional<std::string> ask(const std::string& line) {
        std::size_t before;
        {
            std::lock_guard lock(mutex);
            before = events;
            reply.reset();
        }
        service->makeCommand()->CommandParse(line, [this](const std::string& text) {
            std::lock_guard lock(mutex);
            reply = text;
        });
        EXPECT_TRUE(waitFor([&] {
            std::lock_guard lock(mutex);
            return events > before;
        })) << line;
        std::lock_guard lock(mutex);
        return reply;
    }

    fs::path root;
    fs::path outside;
    UserDefaults defaults{home() / "defaults.json"};
    std::shared_ptr<RecordingTransport> transport = std::make_shared<RecordingTransport>();
    AlbumIndex scanned;  // what the next album scan finds
    AlbumIndex album;    // the index in place
    std::shared_ptr<PhoneFileService> service;

    std::mutex mutex;
    std::size_t events = 0;
    std::optional<std::string> reply;
};

TEST_F(PhoneFileServiceTest, ListingsShowTheVirtualRootTheFoldersAndTheFiles) {
    const auto top = ask("LIST /");
    ASSERT_TRUE(top);
    std::istringstream lines(top->substr(4));
    std::string album, documents, extra;
    std::getline(lines, album);
    std::getline(lines, documents);
    EXPECT_EQ(top->substr(0, 4), "200 ");
    EXPECT_TRUE(album.starts_with("d\t0\t") && album.ends_with("\t我的相册\r")) << album;
    EXPECT_TRUE(documents.starts_with("d\t0\t") && documents.ends_with("\t我的文档\r"));
    EXPECT_FALSE(std::getline(lines, extra));

    // The documents at the root show folders only; below it, folders then files.
    const auto docs = ask("LIST /我的文档");
    EXPECT_NE(docs->find("\tDownFiles\r\n"), std::string::npos);
    EXPECT_NE(docs->find("\tsub\r\n"), std::string::npos);
    EXPECT_EQ(docs->find("notes.txt"), std::string::npos);
    EXPECT_EQ(docs->find("outdir"), std::string::npos);  // a link that leads outside

    fs::last_write_time(root / "sub" / "a.txt",
                        fs::file_time_type::clock::from_sys(
                            std::chrono::sys_seconds{std::chrono::seconds{1700000000}}));
    write(root / "sub" / "tab\tname", "x");
    write(root / "sub" / "line\nname", "x");
    const auto sub = ask("LIST /我的文档/sub");
    std::time_t t = 1700000000;
    std::tm tm{};
    localtime_r(&t, &tm);
    char expected[64];
    std::snprintf(expected, sizeof expected, "-\t5\t%.0f\ta.txt\r\n",
                  (1700000000.0 + static_cast<double>(tm.tm_gmtoff)) * 1000.0);
    EXPECT_NE(sub->find(expected), std::string::npos) << *sub;
    EXPECT_LT(sub->find("d\t"), sub->find("-\t"));  // the folder "deep" before the files
    EXPECT_NE(sub->find("\tinlink\r\n"), std::string::npos);
    EXPECT_EQ(sub->find("outfile"), std::string::npos);
    EXPECT_EQ(sub->find("name"), std::string::npos);  // tab and LF names left out
    EXPECT_EQ(ask("LIST /我的文档/missing"), "200 ");
}

TEST_F(PhoneFileServiceTest, EachVerbAnswersAsTheComputerExpects) {
    struct Case {
        std::string line;
        std::optional<std::string> reply;
    };
    const Case cases[] = {
        {"RETR /我的文档/sub/a.txt", "500 "},  // no data channel yet: nothing sent
        {"PORT 10.0.0.2:5000", "200 "},
        {"RETR /我的文档/sub/a.txt", "200 "},
        {"RETR /我的文档/sub/a.txt", "500 "},  // the channel went with the last file
        {"PORT 1:2:3", std::nullopt},
        {"PORT 127.0.0.1:4000", "200 "},
        {"RETR /我的文档/sub/inlink", "200 "},
        {"RETR /我的文档/notes.txt", std::nullopt},  // three parts outside the album
        {"RETR /我的文档/sub/missing", "500 "},
        {"RETR /我的相册/IMG_0001.JPG", "500 "},  // before any album listing
        {"DELE /我的文档/sub/deep/b.txt", "200 "},
        {"DELE /我的文档/sub/deep/b.txt", "500 "},
        {"RMD /我的文档/sub/deep", "200 "},
        {"DELE /我的相册/IMG_0001.JPG", "500 "},
        {"LIST /我的文档/a b", std::nullopt},
        {"LIST", std::nullopt},
        {"STOR /我的文档/x", std::nullopt},
        {"list /", std::nullopt},
        {"LIST relative", "500 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ask(c.line), c.reply) << c.line;
    }
    EXPECT_EQ(transport->ports, (std::vector<int>{5000, 4000}));
    EXPECT_EQ(transport->sent, (std::vector<std::string>{"alpha", "alpha"}));
    EXPECT_FALSE(fs::exists(root / "sub" / "deep"));
    EXPECT_TRUE(fs::exists(root / "sub" / "a.txt"));

    transport->acceptConnect = false;
    EXPECT_EQ(ask("PORT 127.0.0.1:4001"), std::nullopt);  // a failed connect: no reply
}

TEST_F(PhoneFileServiceTest, AlbumPhotosAreListedAndFetchedFromTheLastScan) {
    write(home() / "Pictures" / "IMG_0001.JPG", "jpegbytes");
    write(home() / "Pictures" / "EMPTY.JPG", "");
    write(home() / "Pictures" / "bad\tname.JPG", "x");
    for (const char* name : {"IMG_0001.JPG", "EMPTY.JPG", "bad\tname.JPG"}) {
        scanned.emplace(name, *Asset::fromFile(home() / "Pictures" / name, name));
    }
    const auto listing = ask("LIST /我的相册");
    ASSERT_TRUE(listing);
    EXPECT_NE(listing->find("-\t9\t"), std::string::npos);
    EXPECT_NE(listing->find("\tIMG_0001.JPG\r\n"), std::string::npos);
    EXPECT_EQ(listing->find("bad"), std::string::npos);

    EXPECT_EQ(ask("PORT 127.0.0.1:4000"), "200 ");
    EXPECT_EQ(ask("RETR /我的相册/IMG_0001.JPG"), "200 ");
    EXPECT_EQ(ask("PORT 127.0.0.1:4000"), "200 ");
    EXPECT_EQ(ask("RETR /我的相册/EMPTY.JPG"), "500 ");
    EXPECT_EQ(transport->sent, std::vector<std::string>{"jpegbytes"});
}

TEST_F(PhoneFileServiceTest, HostilePathsNeverReachOutsideTheUserDataFolder) {
    // Each path is tried with every verb; none may list, send or delete the outside file.
    const std::string hostile[] = {
        "/我的文档/..",
        "/我的文档/../outside/secret.txt",
        "/我的文档/sub/../../outside/secret.txt",
        "/我的文档//" + outside.string() + "/secret.txt",
        "/我的文档x/../outside/secret.txt",
        "/123456/../outside/secret.txt",
        "/我的文/../outside/secret.txt",
        "/我的文档/outdir",
        "/我的文档/outdir/secret.txt",
        "/我的文档/sub/outfile",
        "/我的文档/./sub/../../outside",
        std::string("/我的文档/sub/a.txt") + '\0' + "/x",
        "/我的文档",
        "/我的文档/",
        "/我的文档/.",
        "/",
        "",
    };
    for (const auto& path : hostile) {
        ASSERT_EQ(ask("PORT 127.0.0.1:4000"), "200 ");
        const auto retr = ask("RETR " + path);
        EXPECT_NE(retr, "200 ") << path;
        transport->open = false;
        const auto list = ask("LIST " + path);
        if (list) {
            EXPECT_EQ(list->find("secret"), std::string::npos) << path;
        }
        EXPECT_EQ(ask("DELE " + path), "500 ") << path;
        EXPECT_EQ(ask("RMD " + path), "500 ") << path;
    }
    EXPECT_TRUE(transport->sent.empty());
    EXPECT_EQ(read(outside / "secret.txt"), "SECRET");
    EXPECT_TRUE(fs::exists(root / "sub" / "a.txt"));
    EXPECT_TRUE(fs::is_symlink(root / "sub" / "outfile"));

    // The album name is refused only as the first component.
    EXPECT_EQ(ask("DELE /我的文档/我的相册/c.txt"), "200 ");
    EXPECT_FALSE(fs::exists(root / "我的相册" / "c.txt"));
    // A link inside that leads inside is removed itself, never its target.
    EXPECT_EQ(ask("DELE /我的文档/sub/inlink"), "200 ");
    EXPECT_EQ(read(root / "sub" / "a.txt"), "alpha");
}

TEST_F(PhoneFileServiceTest, SwitchedOffTheServiceRefusesEverything) {
    EXPECT_TRUE(ask("LIST /")->starts_with("200 "));  // absent: on
    defaults.setString(Settings::kPhoneFilesKey, "0");
    for (const char* line : {"LIST /", "PORT 127.0.0.1:4000", "DELE /我的文档/notes.txt",
                             "RMD /我的文档/sub", "STOR x", "nonsense"}) {
        EXPECT_EQ(ask(line), "500 ") << line;
    }
    EXPECT_TRUE(transport->ports.empty());
    EXPECT_TRUE(fs::exists(root / "notes.txt"));
    defaults.setString(Settings::kPhoneFilesKey, "1");
    EXPECT_TRUE(ask("LIST /")->starts_with("200 "));
}

}  // namespace
