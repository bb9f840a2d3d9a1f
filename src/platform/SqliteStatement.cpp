#include "platform/SqliteStatement.h"

#include <sqlite3.h>

#include <limits>

namespace pd {

SqliteStatement::SqliteStatement(SqliteConnection& connection, std::string_view sql)
    : connection_(connection) {
    if (!connection.isOpen()) {
        connection.noteError(SQLITE_MISUSE);
        return;
    }
    if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        connection.noteError(SQLITE_TOOBIG);
        return;
    }
    const int rc = sqlite3_prepare_v2(connection.handle(), sql.data(), static_cast<int>(sql.size()),
                                      &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        connection.noteError(rc);
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

bool SqliteStatement::checkBind(int rc) {
    if (rc != SQLITE_OK) {
        connection_.noteError(rc);
        return false;
    }
    return true;
}

bool SqliteStatement::bindText(int index, std::string_view value) {
    if (stmt_ == nullptr) {
        return false;
    }
    // The 64-bit form takes any length; SQLite refuses (SQLITE_TOOBIG) what it cannot keep.
    return checkBind(sqlite3_bind_text64(stmt_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                                         SQLITE_UTF8));
}

bool SqliteStatement::bindInt64(int index, std::int64_t value) {
    return stmt_ != nullptr && checkBind(sqlite3_bind_int64(stmt_, index, value));
}

bool SqliteStatement::bindDouble(int index, double value) {
    return stmt_ != nullptr && checkBind(sqlite3_bind_double(stmt_, index, value));
}

SqliteStatement::Step SqliteStatement::step() {
    if (stmt_ == nullptr) {
        return Step::Failed;
    }
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return Step::Row;
    }
    if (rc == SQLITE_DONE) {
        return Step::Done;
    }
    connection_.noteError(rc);
    return Step::Failed;
}

void SqliteStatement::reset() {
    if (stmt_ != nullptr) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

std::string SqliteStatement::columnText(int index) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
    if (text == nullptr) {
        return {};
    }
    // The byte count keeps text with embedded NUL characters whole.
    return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, index)));
}

std::int64_t SqliteStatement::columnInt64(int index) const {
    return sqlite3_column_int64(stmt_, index);
}

double SqliteStatement::columnDouble(int index) const {
    return sqlite3_column_double(stmt_, index);
}

}  // namespace pd
