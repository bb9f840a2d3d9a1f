#pragma once
// A prepared statement with bound parameters, finalized when the object goes away. Every
// value reaches SQLite through a bind call; SQL text is never built from data.
//
// Failures are remembered on the connection (SqliteConnection::lastErrorCode()).

#include "platform/SqliteConnection.h"

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace pd {

class SqliteStatement {
  public:
    enum class Step { Row, Done, Failed };

    // ok() is false if the SQL could not be prepared (or the connection is closed).
    SqliteStatement(SqliteConnection& connection, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool ok() const { return stmt_ != nullptr; }

    // Parameters are numbered from 1. Each returns false if the value could not be bound.
    [[nodiscard]] bool bindText(int index, std::string_view value);
    [[nodiscard]] bool bindInt64(int index, std::int64_t value);
    [[nodiscard]] bool bindDouble(int index, double value);

    Step step();
    // Runs a statement that returns no rows; true when it completed.
    [[nodiscard]] bool run() { return step() == Step::Done; }
    // Makes the statement ready to run again with new values.
    void reset();

    // Columns of the current row, numbered from 0. NULL reads as "" or 0.
    std::string columnText(int index) const;
    std::int64_t columnInt64(int index) const;
    double columnDouble(int index) const;

  private:
    bool checkBind(int rc);

    SqliteConnection& connection_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace pd
