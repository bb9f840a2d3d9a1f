#pragma once
// The layout of the "AppDataModel" store: one table per entity, named after it, with the row
// identity "id" followed by the entity's attributes in their declared order. The schema
// version is kept in PRAGMA user_version so that a later layout can migrate older files.

#include "model/FileDownList.h"
#include "model/PcList.h"
#include "model/PhotoBakList.h"
#include "platform/EntitySet.h"
#include "platform/SqliteConnection.h"
#include "platform/SqliteStatement.h"

#include <array>
#include <string_view>

namespace pd {

// 2 added PhotoBakList; a version-1 store gains the table when it is opened.
// 3 added PcList's ipAddress, pcName and hwAddress; an older PcList gains the columns (empty
// in its rows) when it is opened.
inline constexpr std::int64_t kAppDataModelVersion = 3;

// A column a later version added to an entity's table, and its declared type.
struct AddedColumn {
    std::string_view name;
    std::string_view type;
};

template <>
struct EntityMapping<PcList> {
    static constexpr std::string_view kTable = "PcList";
    static constexpr std::array<std::string_view, 7> kAttributes = {
        "deviceTag", "bcheck", "checkCode", "connectDate", "ipAddress", "pcName", "hwAddress"};
    // Missing from stores written before version 3; added to them, never a reason to refuse.
    static constexpr std::array<AddedColumn, 3> kAddedColumns = {AddedColumn{"ipAddress", "TEXT"},
                                                                 AddedColumn{"pcName", "TEXT"},
                                                                 AddedColumn{"hwAddress", "TEXT"}};
    static constexpr std::string_view kCreateSql =
        "CREATE TABLE IF NOT EXISTS PcList (id INTEGER PRIMARY KEY, deviceTag TEXT, "
        "bcheck INTEGER, checkCode TEXT, connectDate REAL, ipAddress TEXT, pcName TEXT, "
        "hwAddress TEXT)";
    static constexpr std::string_view kSelectSql =
        "SELECT id, deviceTag, bcheck, checkCode, connectDate, ipAddress, pcName, hwAddress "
        "FROM PcList ORDER BY id";
    static constexpr std::string_view kWriteSql =
        "INSERT OR REPLACE INTO PcList (id, deviceTag, bcheck, checkCode, connectDate, "
        "ipAddress, pcName, hwAddress) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
    static constexpr std::string_view kDeleteSql = "DELETE FROM PcList WHERE id = ?1";

    // Binds the attributes to parameters 2 and up (1 is the identity).
    [[nodiscard]] static bool bind(SqliteStatement& statement, const PcList& record);
    // The record of the current row of kSelectSql.
    static PcList read(const SqliteStatement& statement);
};

template <>
struct EntityMapping<FileDownList> {
    static constexpr std::string_view kTable = "FileDownList";
    static constexpr std::array<std::string_view, 7> kAttributes = {
        "fileName", "filePath", "downTime", "fileSize", "status", "deviceTag", "formatTime"};
    static constexpr std::string_view kCreateSql =
        "CREATE TABLE IF NOT EXISTS FileDownList (id INTEGER PRIMARY KEY, fileName TEXT, "
        "filePath TEXT, downTime REAL, fileSize INTEGER, status INTEGER, deviceTag TEXT, "
        "formatTime TEXT)";
    static constexpr std::string_view kSelectSql =
        "SELECT id, fileName, filePath, downTime, fileSize, status, deviceTag, formatTime "
        "FROM FileDownList ORDER BY id";
    static constexpr std::string_view kWriteSql =
        "INSERT OR REPLACE INTO FileDownList (id, fileName, filePath, downTime, fileSize, "
        "status, deviceTag, formatTime) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
    static constexpr std::string_view kDeleteSql = "DELETE FROM FileDownList WHERE id = ?1";

    [[nodiscard]] static bool bind(SqliteStatement& statement, const FileDownList& record);
    static FileDownList read(const SqliteStatement& statement);
};

template <>
struct EntityMapping<PhotoBakList> {
    static constexpr std::string_view kTable = "PhotoBakList";
    static constexpr std::array<std::string_view, 4> kAttributes = {"deviceTag", "assetUrl",
                                                                    "fileSize", "backTime"};
    static constexpr std::string_view kCreateSql =
        "CREATE TABLE IF NOT EXISTS PhotoBakList (id INTEGER PRIMARY KEY, deviceTag TEXT, "
        "assetUrl TEXT, fileSize INTEGER, backTime REAL)";
    static constexpr std::string_view kSelectSql =
        "SELECT id, deviceTag, assetUrl, fileSize, backTime FROM PhotoBakList ORDER BY id";
    static constexpr std::string_view kWriteSql =
        "INSERT OR REPLACE INTO PhotoBakList (id, deviceTag, assetUrl, fileSize, backTime) "
        "VALUES (?1, ?2, ?3, ?4, ?5)";
    static constexpr std::string_view kDeleteSql = "DELETE FROM PhotoBakList WHERE id = ?1";

    [[nodiscard]] static bool bind(SqliteStatement& statement, const PhotoBakList& record);
    static PhotoBakList read(const SqliteStatement& statement);
};

enum class SchemaState {
    Ready,     // the tables are there (created now if the store was new)
    Unusable,  // a table exists with a layout this version cannot use
    Failed,    // SQLite failed; the connection has the error
};

// Creates what a new store lacks and checks what an existing one has.
SchemaState prepareAppDataModel(SqliteConnection& connection);

}  // namespace pd
