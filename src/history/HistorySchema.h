#pragma once

#include <QString>

struct sqlite3;

namespace quillbox {

// The tables of the four record types (version 1.0.0), their payload table
// and indexes. Large payloads live in their own table, keyed by the item, so
// that listing and searching never read them.
namespace HistorySchema {

// 1.0.0 as major * 10000 + minor * 100 + patch, kept in PRAGMA user_version.
inline constexpr int userVersion = 10000;

// Reads the file's schema version without writing anything: SQLITE_OK for a
// new file or this version, SQLITE_FORMAT for another, or the read's error.
int checkVersion(sqlite3* db, QString& error);

// Creates the tables in a fresh database, or checks that an existing one has
// them with every column; the SQLite result code of the first failure, with
// its description in error.
int prepare(sqlite3* db, QString& error);

} // namespace HistorySchema
} // namespace quillbox
