#include "model/ObjectStore.h"

#include "model/FileDownList.h"
#include "model/PcList.h"
#include "platform/SqliteConnection.h"
#include "platform/SqliteStatement.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace pd {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;

const Clock::time_point kMorning{std::chrono::seconds{1'700'000'000}};
const Clock::time_point kEvening =
    kMorning + std::chrono::hours{10} + std::chrono::milliseconds{250};

class ObjectStoreTest : public TempHome {
  protected:
    fs::path storeFile() const { return home() / "Documents" / "AppDataModel.sqlite"; }

    // The files set aside next to the store, by the name they had, with their bytes.
    std::map<std::string, std::string> damagedFiles() const {
        std::map<std::string, std::string> found;
        for (const auto& entry : fs::directory_iterator(storeFile().parent_path())) {
            const std::string name = entry.path().filename().string();
            if (name.find(".damaged-") != std::string::npos) {
                found[name.substr(0, name.find(".damaged-"))] = readBytes(entry.path());
            }
        }
        return found;
    }

    static std::string readBytes(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // Runs fixed SQL on the file through a connection of its own (another process's view).
    static void executeOn(const fs::path& file, const std::vector<std::string>& sql) {
        SqliteConnection db;
        ASSERT_TRUE(db.open(file));
        for (const auto& statement : sql) {
            ASSERT_TRUE(db.execute(statement)) << statement << ": " << db.lastErrorMessage();
        }
    }

    static std::vector<std::string> paths(const std::vector<std::shared_ptr<FileDownList>>& rs) {
        std::vector<std::string> out;
        for (const auto& r : rs) {
            out.push_back(r->filePath);
        }
        return out;
    }

    // Copies of every record of one kind, in store order.
    template <class T>
    static std::vector<T> values(ObjectStore& store) {
        std::vector<T> out;
        for (const auto& r : store.fetch<T>()) {
            out.push_back(*r);
        }
        return out;
    }
};

TEST_F(ObjectStoreTest, RecordsSurviveARestartInStoreOrderWithTheirValues) {
    // The folder of the store does not exist yet: it is made.
    const fs::path file = home() / "Documents" / "deeper" / ObjectStore::kFileName;
    std::vector<PcList> savedPcs;
    std::vector<FileDownList> savedFiles;
    {
        ObjectStore store(file);
        ASSERT_TRUE(store.isPersistent());
        EXPECT_FALSE(store.hasChanges());
        EXPECT_TRUE(store.saveContext());  // nothing to write is not a failure

        auto first = store.insert(
            PcList{0, "tag-1", true, "123456", 1.5, "192.168.1.10", "Desk", "00:1a:2b:3c:4d:5e"});
        auto second = store.insert(PcList{0, "tag-2", false, "", 2.25, "", "", ""});
        auto third = store.insert(
            PcList{0, std::string("t\xC3\xA4g\0-3", 7), true, "000000", 3.0, "", "", ""});
        store.insert(FileDownList{0, "a.bin", "/d/a.bin", 10.5, UINT64_MAX - 5, 1, "tag-1", "T1"});
        store.insert(FileDownList{0, "b.bin", "/d/b.bin", 11.5, 1ull << 63, 1, "tag-2", "T2"});
        EXPECT_TRUE(store.hasChanges());
        // Unsaved inserts are visible to fetches, with the limit and predicate applied.
        const auto remembered = store.fetch<PcList>([](const PcList& r) { return r.bcheck; }, 1);
        ASSERT_EQ(remembered.size(), 1u);
        EXPECT_EQ(remembered[0], first);
        ASSERT_TRUE(store.saveContext());
        EXPECT_FALSE(store.hasChanges());

        // A change made through the shared object is noticed without being announced.
        second->checkCode = "654321";
        EXPECT_TRUE(store.hasChanges());
        EXPECT_TRUE(store.deleteObject(first));
        EXPECT_FALSE(store.deleteObject(first));
        auto fourth = store.insert(PcList{0, "tag-4", true, "4", 4.0, "", "", ""});
        EXPECT_LT(third->rowId, fourth->rowId);
        ASSERT_TRUE(store.saveContext());
        savedPcs = values<PcList>(store);
        savedFiles = values<FileDownList>(store);
    }
    ASSERT_EQ(savedPcs.size(), 3u);
    EXPECT_EQ(savedPcs[0].checkCode, "654321");

    // Values that need all 64 bits or hold a zero byte come back unchanged.
    ObjectStore reopened(file);
    EXPECT_FALSE(reopened.hasChanges());
    EXPECT_EQ(values<PcList>(reopened), savedPcs);
    EXPECT_EQ(values<FileDownList>(reopened), savedFiles);

    // After the last record is deleted, a new one still sorts after the rest.
    ASSERT_TRUE(reopened.deleteObject(reopened.fetch<PcList>().back()));
    ASSERT_TRUE(reopened.saveContext());
    reopened.insert(PcList{0, "tag-5", false, "", 5.0, "", "", ""});
    ASSERT_TRUE(reopened.saveContext());
    ObjectStore third(file);
    const auto order = third.fetch<PcList>();
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0]->deviceTag, "tag-2");
    EXPECT_EQ(order[2]->deviceTag, "tag-5");
}

TEST_F(ObjectStoreTest, SharedStoreIsTheOneInTheDocumentsFolderOfTheCurrentHome) {
    ASSERT_TRUE(addPcList(ObjectStore::shared(), "tag", true, "", kMorning));
    EXPECT_TRUE(fs::exists(storeFile()));
    {
        ScopedTempHome other;
        EXPECT_TRUE(allPcList(ObjectStore::shared()).empty());
    }
    EXPECT_EQ(allPcList(ObjectStore::shared()).size(), 1u);
}

// A file that is no store this version can use is set aside byte for byte (with its journal),
// never lost; a new store then works and is kept.
TEST_F(ObjectStoreTest, UnusableFileIsSetAsideAndANewStoreWorks) {
    const fs::path oldLayout = home() / "old.sqlite";
    executeOn(oldLayout,
              {"CREATE TABLE PcList (deviceTag TEXT)", "INSERT INTO PcList VALUES ('old')"});
    std::string brokenDatabase("SQLite format 3", 16);
    brokenDatabase += std::string(4080, '\x5a');
    const std::pair<std::string, bool> cases[] = {
        {std::string(4096, '\x5a'), true}, {brokenDatabase, false}, {readBytes(oldLayout), false}};
    for (const auto& [bytes, withJournal] : cases) {
        SCOPED_TRACE(bytes.substr(0, 16));
        fs::remove_all(storeFile().parent_path());
        fs::create_directories(storeFile().parent_path());
        std::ofstream(storeFile(), std::ios::binary) << bytes;
        std::map<std::string, std::string> expected = {{"AppDataModel.sqlite", bytes}};
        if (withJournal) {
            std::ofstream(storeFile().string() + "-journal") << "old journal";
            expected["AppDataModel.sqlite-journal"] = "old journal";
        }
        {
            ObjectStore store(storeFile());
            ASSERT_TRUE(store.isPersistent());
            EXPECT_TRUE(allPcList(store).empty());
            ASSERT_TRUE(addPcList(store, "tag", true, "111111", kMorning));
        }
        EXPECT_TRUE(damagedFiles() == expected);
        ObjectStore reopened(storeFile());
        EXPECT_EQ(allPcList(reopened).size(), 1u);
        EXPECT_EQ(damagedFiles().size(), expected.size());
    }
}

// A version-2 store keeps its rows and gains the columns for waking a computer, empty in the
// rows it had; what is then written to them survives a restart.
TEST_F(ObjectStoreTest, VersionTwoStoreGainsTheWakeColumnsAndKeepsItsRows) {
    executeOn(storeFile(),
              {"CREATE TABLE PcList (id INTEGER PRIMARY KEY, deviceTag TEXT, bcheck INTEGER, "
               "checkCode TEXT, connectDate REAL)",
               "CREATE TABLE FileDownList (id INTEGER PRIMARY KEY, fileName TEXT, "
               "filePath TEXT, downTime REAL, fileSize INTEGER, status INTEGER, "
               "deviceTag TEXT, formatTime TEXT)",
               "CREATE TABLE PhotoBakList (id INTEGER PRIMARY KEY, deviceTag TEXT, "
               "assetUrl TEXT, fileSize INTEGER, backTime REAL)",
               "INSERT INTO PcList VALUES (3, 'desk', 1, '111111', 9.5)",
               "INSERT INTO PcList VALUES (4, 'laptop', 0, '', 10.5)",
               "INSERT INTO FileDownList VALUES (1, 'a.mp3', 'D:/a.mp3', 1.0, 5, 1, 'desk', '')",
               "PRAGMA user_version = 2"});
    {
        ObjectStore store(storeFile());
        EXPECT_TRUE(damagedFiles().empty());
        const auto rows = values<PcList>(store);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].rowId, 3);
        EXPECT_EQ(rows[0].deviceTag, "desk");
        EXPECT_TRUE(rows[0].bcheck);
        EXPECT_EQ(rows[0].checkCode, "111111");
        EXPECT_EQ(rows[1].deviceTag, "laptop");
        EXPECT_EQ(rows[0].hwAddress, "");
        EXPECT_EQ(rows[0].ipAddress, "");
        EXPECT_EQ(store.fetch<FileDownList>().size(), 1u);
        ASSERT_TRUE(rememberPcAddress(store, *pcListByDeviceTag(store, "desk"), "192.168.1.10",
                                      "Desk", "00:1a:2b:3c:4d:5e"));
    }
    {
        SqliteConnection db;
        ASSERT_TRUE(db.open(storeFile()));
        SqliteStatement version(db, "PRAGMA user_version");
        ASSERT_EQ(version.step(), SqliteStatement::Step::Row);
        EXPECT_EQ(version.columnInt64(0), 3);
    }

    ObjectStore reopened(storeFile());
    const auto desk = pcListByDeviceTag(reopened, "desk");
    ASSERT_TRUE(desk);
    EXPECT_EQ(desk->checkCode, "111111");
    EXPECT_EQ(desk->ipAddress, "192.168.1.10");
    EXPECT_EQ(desk->pcName, "Desk");
    EXPECT_EQ(desk->hwAddress, "00:1a:2b:3c:4d:5e");
    // An address that could not be learnt keeps the one remembered.
    ASSERT_TRUE(rememberPcAddress(reopened, *desk, "192.168.1.11", "Desk", ""));
    EXPECT_EQ(desk->hwAddress, "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(desk->ipAddress, "192.168.1.11");
}

// A later version's store with an extra column still holds what this one reads and writes.
TEST_F(ObjectStoreTest, WiderLayoutIsKeptAndUpdatedInPlace) {
    executeOn(storeFile(),
              {"CREATE TABLE PcList (id INTEGER PRIMARY KEY, deviceTag TEXT, bcheck INTEGER, "
               "checkCode TEXT, connectDate REAL, nickname TEXT)",
               "CREATE TABLE FileDownList (id INTEGER PRIMARY KEY, fileName TEXT, "
               "filePath TEXT, downTime REAL, fileSize INTEGER, status INTEGER, "
               "deviceTag TEXT, formatTime TEXT)",
               "INSERT INTO PcList VALUES (7, 'kept', 0, '222222', 9.5, 'desk')",
               "INSERT INTO PcList VALUES (8, 'other', 1, '123456', 9.5, 'laptop')",
               "PRAGMA user_version = 9"});
    ObjectStore store(storeFile());
    const auto kept = pcListByDeviceTag(store, "kept");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->checkCode, "222222");
    EXPECT_TRUE(damagedFiles().empty());
    ASSERT_TRUE(updatePcList(store, *kept, true, "333333", kEvening));

    ObjectStore reopened(storeFile());
    const auto all = allPcList(reopened);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->deviceTag, "kept");
    EXPECT_TRUE(all[0]->bcheck);
    EXPECT_EQ(all[0]->checkCode, "333333");
    EXPECT_DOUBLE_EQ(all[0]->connectDate, ObjectStore::dateValue(kEvening));
    EXPECT_EQ(all[1]->checkCode, "123456");
}

TEST_F(ObjectStoreTest, FailedSaveKeepsTheChangesAndWritesNothingUntilALaterSave) {
    ObjectStore store(storeFile());
    ASSERT_TRUE(addPcList(store, "before", true, "1", kMorning));
    SqliteConnection other;
    ASSERT_TRUE(other.open(storeFile()));

    // Another writer holds the file: the save cannot begin.
    ASSERT_TRUE(other.execute("BEGIN EXCLUSIVE"));
    EXPECT_FALSE(addFinishTask(store, "/d/one.txt", 1, "before", kMorning, "T"));
    EXPECT_TRUE(store.hasChanges());
    EXPECT_EQ(queryFinishTasks(store, "before").size(), 1u);
    ASSERT_TRUE(other.execute("ROLLBACK"));

    // A reader holds the file: the writes go through but the commit fails and is undone.
    ASSERT_TRUE(other.execute("BEGIN"));
    ASSERT_TRUE(other.execute("SELECT count(*) FROM PcList"));
    allPcList(store).front()->checkCode = "2";
    EXPECT_FALSE(store.saveContext());
    EXPECT_TRUE(store.hasChanges());
    ASSERT_TRUE(other.execute("COMMIT"));
    EXPECT_TRUE(ObjectStore(storeFile()).fetch<FileDownList>().empty());

    EXPECT_TRUE(store.saveContext());
    EXPECT_FALSE(store.hasChanges());
    ObjectStore reopened(storeFile());
    ASSERT_EQ(allPcList(reopened).size(), 1u);
    EXPECT_EQ(allPcList(reopened).front()->checkCode, "2");
    EXPECT_EQ(paths(queryFinishTasks(reopened, "before")), std::vector<std::string>{"/d/one.txt"});
}

// Keys are compared exactly: case, prefixes, wildcard characters and spaces all count.
TEST_F(ObjectStoreTest, RecordsAreFoundByTheirExactPathAndComputer) {
    ObjectStore store(storeFile());
    ASSERT_TRUE(addPcList(store, "desk", false, "", kMorning));
    for (const char* near : {"Desk", "des", "%", "desk "}) {
        EXPECT_FALSE(pcListByDeviceTag(store, near)) << near;
    }
    // Same name and size in another folder, the same file from another computer.
    for (const auto& [path, pc] :
         std::vector<std::pair<std::string, std::string>>{{"/dl/A/report.pdf", "pc1"},
                                                          {"/dl/B/report.pdf", "pc1"},
                                                          {"/dl/A/report.pdf", "pc2"},
                                                          {"/dl/A/*.pdf", "pc1"},
                                                          {"/dl/A/report.pd?", "pc1"},
                                                          {"/dl/A/REPORT.pdf", "pc1"}}) {
        ASSERT_TRUE(addFinishTask(store, path, 100, pc, kMorning, "morning"));
    }
    EXPECT_EQ(paths(queryFinishTasks(store, "pc1")),
              (std::vector<std::string>{"/dl/A/report.pdf", "/dl/B/report.pdf", "/dl/A/*.pdf",
                                        "/dl/A/report.pd?", "/dl/A/REPORT.pdf"}));
    EXPECT_EQ(paths(queryFinishTasks(store, "pc2")), std::vector<std::string>{"/dl/A/report.pdf"});
    EXPECT_TRUE(queryFinishTasks(store, "pc").empty());
    const auto first = queryFinishTasks(store, "pc1").front();
    EXPECT_EQ(first->fileName, "report.pdf");

    // Finishing the same path again updates its record in place.
    ASSERT_TRUE(addFinishTask(store, "/dl/A/report.pdf", 250, "pc1", kEvening, "evening"));
    const auto pc1 = queryFinishTasks(store, "pc1");
    ASSERT_EQ(pc1.size(), 5u);
    EXPECT_EQ(pc1[0], first);
    EXPECT_EQ(first->fileSize, 250u);
    EXPECT_EQ(first->formatTime, "evening");
    EXPECT_DOUBLE_EQ(first->downTime, ObjectStore::dateValue(kEvening));
    EXPECT_EQ(queryFinishTasks(store, "pc2").front()->fileSize, 100u);

    // Deleting a path removes its records of every computer and nothing else.
    ASSERT_TRUE(deleteFinishTask(store, "/dl/A/*.pdf"));
    ASSERT_TRUE(deleteFinishTask(store, "/dl/A/report.pdf"));
    ASSERT_TRUE(deleteFinishTask(store, "/dl/nothing-here"));
    ObjectStore reopened(storeFile());
    EXPECT_EQ(
        paths(queryFinishTasks(reopened, "pc1")),
        (std::vector<std::string>{"/dl/B/report.pdf", "/dl/A/report.pd?", "/dl/A/REPORT.pdf"}));
    EXPECT_TRUE(queryFinishTasks(reopened, "pc2").empty());
}

}  // namespace
}  // namespace pd
