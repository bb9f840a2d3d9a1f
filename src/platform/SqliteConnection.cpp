#include "platform/SqliteConnection.h"

#include <sqlite3.h>

#include <utility>

namespace pd {

namespace {

// How long a statement waits for another process's lock before it gives up. The store is
// used on the main queue, so the wait stays short.
constexpr int kBusyTimeoutMs = 100;

}  // namespace

SqliteConnection::~SqliteConnection() {
    close();
}

SqliteConnection::SqliteConnection(SqliteConnection&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), lastError_(std::exchange(other.lastError_, 0)) {}

SqliteConnection& SqliteConnection::operator=(SqliteConnection&& other) noexcept {
    if (this != &other) {
        close();
        db_ = std::exchange(other.db_, nullptr);
        lastError_ = std::exchange(other.lastError_, 0);
    }
    return *this;
}

bool SqliteConnection::open(const std::filesystem::path& file) {
    close();
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        // Even a failed open may allocate a handle; it must be closed.
        sqlite3_close_v2(db);
        lastError_ = rc & 0xff;
        return false;
    }
    sqlite3_extended_result_codes(db, 0);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    db_ = db;
    lastError_ = SQLITE_OK;
    return true;
}

void SqliteConnection::close() {
    if (db_ != nullptr) {
        // _v2: a statement still alive somewhere cannot make the close fail.
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

bool SqliteConnection::execute(std::string_view sql) {
    if (db_ == nullptr) {
        lastError_ = SQLITE_MISUSE;
        return false;
    }
    const std::string text(sql);
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        noteError(rc);
        return false;
    }
    return true;
}

std::string SqliteConnection::lastErrorMessage() const {
    if (db_ != nullptr && sqlite3_errcode(db_) != SQLITE_OK) {
        return sqlite3_errmsg(db_);
    }
    return sqlite3_errstr(lastError_);
}

void SqliteConnection::noteError(int code) {
    lastError_ = code & 0xff;
}

bool SqliteConnection::lastErrorMeansDamaged() const {
    switch (lastError_) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_CANTOPEN:
        case SQLITE_FORMAT:
        case SQLITE_ERROR:  // e.g. a schema object in the way of ours
            return true;
        default:
            // Locked, full, read-only, out of memory: the file may well be fine.
            return false;
    }
}

}  // namespace pd
