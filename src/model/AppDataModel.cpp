#include "model/AppDataModel.h"

#include "platform/Log.h"
#include "platform/SqliteTransaction.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pd {

namespace {

// Kept in step with kAppDataModelVersion; a pragma value cannot be a bound parameter.
constexpr std::string_view kSetVersionSql = "PRAGMA user_version = 3";
static_assert(kAppDataModelVersion == 3);

// Only a column declared exactly INTEGER (in any case) as the primary key is the row identity.
bool isIntegerType(std::string type) {
    for (char& c : type) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return type == "INTEGER";
}

enum class TableState { Missing, Usable, Unusable, Failed };

struct TableCheck {
    TableState state = TableState::Failed;
    std::vector<AddedColumn> toAdd;  // columns of a later version that an older table lacks

    bool operator==(TableState other) const { return state == other; }
};

template <typename Mapping>
std::optional<AddedColumn> addedColumn(std::string_view name) {
    if constexpr (requires { Mapping::kAddedColumns; }) {
        for (const AddedColumn& column : Mapping::kAddedColumns) {
            if (column.name == name) {
                return column;
            }
        }
    }
    return std::nullopt;
}

// The column "id" must be the integer primary key: writes replace a record by it.
template <typename T>
TableCheck checkTable(SqliteConnection& connection) {
    using Mapping = EntityMapping<T>;
    SqliteStatement columns(connection, "SELECT name, type, pk FROM pragma_table_info(?1)");
    if (!columns.ok() || !columns.bindText(1, Mapping::kTable)) {
        return {TableState::Failed, {}};
    }
    std::set<std::string> names;
    bool idIsKey = false;
    for (;;) {
        const auto step = columns.step();
        if (step == SqliteStatement::Step::Failed) {
            return {TableState::Failed, {}};
        }
        if (step == SqliteStatement::Step::Done) {
            break;
        }
        std::string name = columns.columnText(0);
        if (name == "id") {
            idIsKey = isIntegerType(columns.columnText(1)) && columns.columnInt64(2) == 1;
        }
        names.insert(std::move(name));
    }
    if (names.empty()) {
        return {TableState::Missing, {}};
    }
    TableCheck check{TableState::Usable, {}};
    bool complete = idIsKey;
    for (const std::string_view attribute : Mapping::kAttributes) {
        if (names.count(std::string(attribute)) != 0) {
            continue;
        }
        if (const auto added = addedColumn<Mapping>(attribute)) {
            check.toAdd.push_back(*added);
        } else {
            complete = false;
        }
    }
    if (!complete) {
        PD_LOG_WARN("object store table {} lacks columns this version needs", Mapping::kTable);
        return {TableState::Unusable, {}};
    }
    return check;
}

// ALTER TABLE keeps the rows; the new columns read as empty in them.
template <typename T>
bool addColumns(SqliteConnection& connection, const TableCheck& check) {
    for (const AddedColumn& column : check.toAdd) {
        const std::string sql = "ALTER TABLE " + std::string(EntityMapping<T>::kTable) +
                                " ADD COLUMN " + std::string(column.name) + " " +
                                std::string(column.type);
        if (!connection.execute(sql)) {
            return false;
        }
        PD_LOG_INFO("object store table {} gained the column {}", EntityMapping<T>::kTable,
                    column.name);
    }
    return true;
}

bool readVersion(SqliteConnection& connection, std::int64_t& version) {
    SqliteStatement pragma(connection, "PRAGMA user_version");
    if (pragma.step() != SqliteStatement::Step::Row) {
        return false;
    }
    version = pragma.columnInt64(0);
    return true;
}

}  // namespace

bool EntityMapping<PcList>::bind(SqliteStatement& statement, const PcList& record) {
    return statement.bindText(2, record.deviceTag) &&
           statement.bindInt64(3, record.bcheck ? 1 : 0) &&
           statement.bindText(4, record.checkCode) && statement.bindDouble(5, record.connectDate) &&
           statement.bindText(6, record.ipAddress) && statement.bindText(7, record.pcName) &&
           statement.bindText(8, record.hwAddress);
}

PcList EntityMapping<PcList>::read(const SqliteStatement& statement) {
    PcList record;
    record.rowId = statement.columnInt64(0);
    record.deviceTag = statement.columnText(1);
    record.bcheck = statement.columnInt64(2) != 0;
    record.checkCode = statement.columnText(3);
    record.connectDate = statement.columnDouble(4);
    record.ipAddress = statement.columnText(5);
    record.pcName = statement.columnText(6);
    record.hwAddress = statement.columnText(7);
    return record;
}

bool EntityMapping<FileDownList>::bind(SqliteStatement& statement, const FileDownList& record) {
    // SQLite integers are signed 64-bit; the bit pattern keeps sizes of 2^63 and more intact.
    return statement.bindText(2, record.fileName) && statement.bindText(3, record.filePath) &&
           statement.bindDouble(4, record.downTime) &&
           statement.bindInt64(5, std::bit_cast<std::int64_t>(record.fileSize)) &&
           statement.bindInt64(6, record.status) && statement.bindText(7, record.deviceTag) &&
           statement.bindText(8, record.formatTime);
}

FileDownList EntityMapping<FileDownList>::read(const SqliteStatement& statement) {
    FileDownList record;
    record.rowId = statement.columnInt64(0);
    record.fileName = statement.columnText(1);
    record.filePath = statement.columnText(2);
    record.downTime = statement.columnDouble(3);
    record.fileSize = std::bit_cast<std::uint64_t>(statement.columnInt64(4));
    record.status = static_cast<std::int32_t>(statement.columnInt64(5));
    record.deviceTag = statement.columnText(6);
    record.formatTime = statement.columnText(7);
    return record;
}

bool EntityMapping<PhotoBakList>::bind(SqliteStatement& statement, const PhotoBakList& record) {
    return statement.bindText(2, record.deviceTag) && statement.bindText(3, record.assetUrl) &&
           statement.bindInt64(4, std::bit_cast<std::int64_t>(record.fileSize)) &&
           statement.bindDouble(5, record.backTime);
}

PhotoBakList EntityMapping<PhotoBakList>::read(const SqliteStatement& statement) {
    PhotoBakList record;
    record.rowId = statement.columnInt64(0);
    record.deviceTag = statement.columnText(1);
    record.assetUrl = statement.columnText(2);
    record.fileSize = std::bit_cast<std::uint64_t>(statement.columnInt64(3));
    record.backTime = statement.columnDouble(4);
    return record;
}

SchemaState prepareAppDataModel(SqliteConnection& connection) {
    std::int64_t version = 0;
    if (!readVersion(connection, version)) {
        return SchemaState::Failed;
    }
    const TableCheck pcList = checkTable<PcList>(connection);
    const TableCheck fileDownList = checkTable<FileDownList>(connection);
    const TableCheck photoBakList = checkTable<PhotoBakList>(connection);
    const TableCheck* tables[] = {&pcList, &fileDownList, &photoBakList};
    const auto any = [&](TableState state) {
        return std::any_of(std::begin(tables), std::end(tables),
                           [state](const TableCheck* t) { return *t == state; });
    };
    const bool columnsToAdd = std::any_of(std::begin(tables), std::end(tables),
                                          [](const TableCheck* t) { return !t->toAdd.empty(); });
    if (any(TableState::Failed)) {
        return SchemaState::Failed;
    }
    if (any(TableState::Unusable)) {
        return SchemaState::Unusable;
    }
    if (version > kAppDataModelVersion) {
        // A later version wrote this store; its tables still have what we read and write.
        PD_LOG_INFO("object store has schema version {}, newer than {}", version,
                    kAppDataModelVersion);
    }
    const bool complete = !any(TableState::Missing) && !columnsToAdd;
    if (complete && version >= kAppDataModelVersion) {
        // Nothing to write: a store we may only read still opens.
        return SchemaState::Ready;
    }
    SqliteTransaction transaction(connection);
    if (!transaction.begun()) {
        return SchemaState::Failed;
    }
    if (!connection.execute(EntityMapping<PcList>::kCreateSql) ||
        !connection.execute(EntityMapping<FileDownList>::kCreateSql) ||
        !connection.execute(EntityMapping<PhotoBakList>::kCreateSql) ||
        !addColumns<PcList>(connection, pcList) ||
        !addColumns<FileDownList>(connection, fileDownList) ||
        !addColumns<PhotoBakList>(connection, photoBakList)) {
        return SchemaState::Failed;
    }
    if (version < kAppDataModelVersion && !connection.execute(kSetVersionSql)) {
        return SchemaState::Failed;
    }
    return transaction.commit() ? SchemaState::Ready : SchemaState::Failed;
}

}  // namespace pd
