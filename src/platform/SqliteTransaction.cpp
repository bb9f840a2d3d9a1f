#include "platform/SqliteTransaction.h"

#include "platform/Log.h"

#include <sqlite3.h>

namespace pd {

SqliteTransaction::SqliteTransaction(SqliteConnection& connection) : connection_(connection) {
    begun_ = connection_.execute("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
    if (!begun_ || committed_) {
        return;
    }
    // A failed COMMIT can leave the transaction open; SQLite may also have rolled back by
    // itself after some errors, in which case there is nothing left to undo.
    if (connection_.isOpen() && sqlite3_get_autocommit(connection_.handle()) == 0) {
        const int keptError = connection_.lastErrorCode();
        if (!connection_.execute("ROLLBACK")) {
            PD_LOG_ERROR("rollback failed: {}", connection_.lastErrorMessage());
        }
        // The caller wants to know why the transaction failed, not how the undo went.
        connection_.noteError(keptError);
    }
}

bool SqliteTransaction::commit() {
    if (!begun_ || committed_) {
        return committed_;
    }
    committed_ = connection_.execute("COMMIT");
    return committed_;
}

}  // namespace pd
