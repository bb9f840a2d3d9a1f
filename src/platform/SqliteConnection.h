#pragma once
// One open SQLite database file, closed when the object goes away. Errors are values: every
// call reports success, and lastErrorCode()/lastErrorMessage() say what went wrong.

#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;

namespace pd {

class SqliteConnection {
  public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(SqliteConnection&& other) noexcept;
    SqliteConnection& operator=(SqliteConnection&& other) noexcept;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Opens (creating if missing) the file for reading and writing. SQLite reads the file
    // lazily, so a file that is not a database is only noticed by the first statement.
    [[nodiscard]] bool open(const std::filesystem::path& file);
    void close();
    bool isOpen() const { return db_ != nullptr; }

    // Runs SQL text that is fixed in the code (never built from data) and takes no parameters.
    [[nodiscard]] bool execute(std::string_view sql);

    // The primary result code of the last failed call on this connection (SQLITE_OK if none).
    int lastErrorCode() const { return lastError_; }
    std::string lastErrorMessage() const;
    // Remembers a failure reported by a statement or a transaction on this connection.
    void noteError(int code);
    // Whether the last failure says the file is not a database we can use (not a database,
    // corrupt, cannot be opened, a layout in the way) rather than a passing or outside
    // condition (locked by another process, disk full, read-only, out of memory).
    bool lastErrorMeansDamaged() const;

    sqlite3* handle() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
    int lastError_ = 0;
};

}  // namespace pd
