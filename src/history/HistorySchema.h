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

// How the records are laid out in the tables, within schema version 1.0.0,
// kept in the StoreMeta table (a file without one has revision 1).
// 1: every text twice, in ClipboardItem.plainText and in the payload.
// 2: a text whose UTF-8 is the item's content is kept in the payload only
//    (ClipboardItem.isPlainTextInContent = 1, plainText NULL).
// 3: payloads may be compressed (ClipboardItemPayload.compressed says which,
//    see PayloadCodec); a SHA-256 content hash is kept as its 32 bytes (a
//    blob) rather than as 64 hex digits; the commonest type and category
//    (plain text, "public.utf8-plain-text" and "text") are kept as '';
//    items are indexed by copy time, so a listing newest first (an export)
//    starts without sorting the whole history;
//    pages of pageSize bytes, free ones given back to the file system
//    (auto_vacuum incremental).
inline constexpr int firstLayoutRevision = 1;
inline constexpr int layoutRevision = 3;

inline constexpr int pageSize = 16384;

// Bits of ClipboardItemPayload.compressed: which columns hold compressed bytes.
inline constexpr int compressedContent = 1;
inline constexpr int compressedRichTextData = 2;

// The layout revision of an open store: 1 for a file written before
// revisions were recorded, 0 when it can't be read.
int readLayoutRevision(sqlite3* db);

// Reads the file's schema version without writing anything: SQLITE_OK for a
// new file or this version, SQLITE_FORMAT for another, or the read's error.
int checkVersion(sqlite3* db, QString& error);

// Creates the tables in a fresh database, or brings an existing one to the
// current layout (in one transaction, so a failure leaves it as it was) and
// checks that it has every column; the SQLite result code of the first
// failure, with its description in error.
int prepare(sqlite3* db, QString& error);

} // namespace HistorySchema
} // namespace quillbox
