#include "model/ObjectStore.h"

#include "model/AppDataModel.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/SandboxHelper.h"
#include "platform/SqliteStatement.h"
#include "platform/SqliteTransaction.h"

#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <system_error>

namespace pd {

namespace {

// Files SQLite keeps beside the store while writing. A journal left by a damaged store
// belongs to it: if it stayed, SQLite would play it back into the new store.
constexpr const char* kCompanionSuffixes[] = {"-journal", "-wal", "-shm"};

template <typename T>
bool loadRecords(SqliteConnection& connection, std::vector<T>& records) {
    SqliteStatement select(connection, EntityMapping<T>::kSelectSql);
    for (;;) {
        switch (select.step()) {
            case SqliteStatement::Step::Row:
                records.push_back(EntityMapping<T>::read(select));
                break;
            case SqliteStatement::Step::Done:
                return true;
            case SqliteStatement::Step::Failed:
                return false;
        }
    }
}

// Decided before SQLite sees the file: SQLite would "roll back" a journal left beside a file
// that is not a database, and so delete the journal before it could be set aside.
bool hasForeignContent(const std::filesystem::path& file) {
    static constexpr char kMagic[] = "SQLite format 3";  // 16 bytes with the final NUL
    std::ifstream in(file, std::ios::binary);
    char header[sizeof kMagic] = {};
    if (!in || !in.read(header, sizeof header)) {
        // Missing or unreadable: SQLite judges. Shorter than the header: foreign unless empty.
        return in.gcount() > 0;
    }
    return std::memcmp(header, kMagic, sizeof kMagic) != 0;
}

bool pathExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

}  // namespace

ObjectStore& ObjectStore::shared() {
    static std::mutex* const mutex = new std::mutex();
    static auto* const stores = new std::map<std::filesystem::path, std::unique_ptr<ObjectStore>>();
    const std::filesystem::path file = std::filesystem::path(SandboxHelper::docPath()) / kFileName;
    std::lock_guard lock(*mutex);
    auto found = stores->find(file);
    if (found == stores->end()) {
        found = stores->emplace(file, std::make_unique<ObjectStore>(file)).first;
    }
    return *found->second;
}

ObjectStore::ObjectStore(std::filesystem::path file) : file_(std::move(file)) {
    open();
}

double ObjectStore::dateValue(std::chrono::system_clock::time_point time) {
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

void ObjectStore::open() {
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);

    std::string reason;
    OpenResult result = tryOpen(reason);
    if (result == OpenResult::Damaged) {
        if (setDamagedFileAside(reason)) {
            result = tryOpen(reason);
        } else {
            result = OpenResult::Unavailable;
        }
    }
    if (result != OpenResult::Ready) {
        connection_.close();
        pcList_.reset({});
        fileDownList_.reset({});
        photoBakList_.reset({});
        PD_LOG_ERROR("object store {} cannot be used ({}); records stay in memory, saves fail",
                     file_.string(), reason);
    }
}

ObjectStore::OpenResult ObjectStore::tryOpen(std::string& reason) {
    if (hasForeignContent(file_)) {
        reason = "not a database";
        return OpenResult::Damaged;
    }
    if (!connection_.open(file_)) {
        return failure(reason);
    }
    switch (prepareAppDataModel(connection_)) {
        case SchemaState::Ready:
            break;
        case SchemaState::Unusable:
            reason = "a table layout this version cannot use";
            return OpenResult::Damaged;
        case SchemaState::Failed:
            return failure(reason);
    }
    std::vector<PcList> pcList;
    std::vector<FileDownList> fileDownList;
    std::vector<PhotoBakList> photoBakList;
    if (!loadRecords(connection_, pcList) || !loadRecords(connection_, fileDownList) ||
        !loadRecords(connection_, photoBakList)) {
        return failure(reason);
    }
    pcList_.reset(std::move(pcList));
    fileDownList_.reset(std::move(fileDownList));
    photoBakList_.reset(std::move(photoBakList));
    return OpenResult::Ready;
}

ObjectStore::OpenResult ObjectStore::failure(std::string& reason) {
    reason = connection_.lastErrorMessage();
    // Without a file there is nothing to set aside: the folder itself is the trouble.
    return connection_.lastErrorMeansDamaged() && pathExists(file_) ? OpenResult::Damaged
                                                                    : OpenResult::Unavailable;
}

bool ObjectStore::setDamagedFileAside(const std::string& reason) {
    connection_.close();
    // Companions first: should the store itself not move, it is no worse off without them.
    for (const char* suffix : kCompanionSuffixes) {
        const std::filesystem::path companion = file_.string() + suffix;
        if (pathExists(companion) && !setFileAside(companion)) {
            return false;
        }
    }
    const auto aside = setFileAside(file_);
    if (!aside) {
        return false;
    }
    PD_LOG_WARN("object store {} could not be used ({}); kept as {}, starting a new store",
                file_.string(), reason, aside->string());
    return true;
}

bool ObjectStore::hasChanges() const {
    return pcList_.hasChanges() || fileDownList_.hasChanges() || photoBakList_.hasChanges();
}

bool ObjectStore::saveContext() {
    if (!hasChanges()) {
        return true;
    }
    if (!connection_.isOpen()) {
        PD_LOG_ERROR("object store {} is not open; changes stay unsaved", file_.string());
        return false;
    }
    {
        SqliteTransaction transaction(connection_);
        if (transaction.begun() && pcList_.writeChanges(connection_) &&
            fileDownList_.writeChanges(connection_) && photoBakList_.writeChanges(connection_) &&
            transaction.commit()) {
            pcList_.markSaved();
            fileDownList_.markSaved();
            photoBakList_.markSaved();
            return true;
        }
    }
    // The transaction has rolled back; the context still holds every change.
    PD_LOG_ERROR("object store {} save failed: {}; changes kept for the next save", file_.string(),
                 connection_.lastErrorMessage());
    return false;
}

}  // namespace pd
