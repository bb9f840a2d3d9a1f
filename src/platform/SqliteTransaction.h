#pragma once
// A write transaction that rolls back unless commit() succeeded, so an early return or a
// failed statement never leaves half of a save in the file.

#include "platform/SqliteConnection.h"

namespace pd {

class SqliteTransaction {
  public:
    // Begins at once with the write lock taken (BEGIN IMMEDIATE), so a competing writer
    // makes the begin fail rather than a statement half-way through.
    explicit SqliteTransaction(SqliteConnection& connection);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    bool begun() const { return begun_; }
    // False if the transaction did not begin or the commit failed; the destructor then rolls
    // everything back.
    [[nodiscard]] bool commit();

  private:
    SqliteConnection& connection_;
    bool begun_ = false;
    bool committed_ = false;
};

}  // namespace pd
