#include "history/SqliteStatement.h"

#include <sqlite3.h>

namespace quillbox {

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql)
    : m_db(db) {
    m_prepareResult = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
    if (m_prepareResult != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_statement);
}

void SqliteStatement::bind(int index, qint64 value) {
    sqlite3_bind_int64(m_statement, index, value);
}

void SqliteStatement::bind(int index, const QString& value) {
    if (value.isNull()) {
        // An empty text is still a value: only absent optionals become NULL.
        sqlite3_bind_text(m_statement, index, "", 0, SQLITE_STATIC);
        return;
    }
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text64(m_statement, index, utf8.constData(), quint64(utf8.size()),
                        SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SqliteStatement::bind(int index, const QByteArray& value) {
    // A zero-length blob rather than NULL for an empty buffer.
    sqlite3_bind_blob64(m_statement, index, value.isEmpty() ? "" : value.constData(),
                        quint64(value.size()), SQLITE_STATIC);
}

void SqliteStatement::bind(int index, const std::optional<QString>& value) {
    value ? bind(index, *value) : bindNull(index);
}

void SqliteStatement::bind(int index, const std::optional<QByteArray>& value) {
    value ? bind(index, *value) : bindNull(index);
}

void SqliteStatement::bind(int index, const std::optional<qint64>& value) {
    value ? bind(index, *value) : bindNull(index);
}

void SqliteStatement::bindNull(int index) {
    sqlite3_bind_null(m_statement, index);
}

int SqliteStatement::step() {
    if (!m_statement)
        return m_prepareResult;
    return sqlite3_step(m_statement);
}

bool SqliteStatement::run() {
    int result = step();
    while (result == SQLITE_ROW)
        result = step();
    reset();
    return result == SQLITE_DONE;
}

void SqliteStatement::reset() {
    if (!m_statement)
        return;
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

bool SqliteStatement::isNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

bool SqliteStatement::isBlob(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_BLOB;
}

qint64 SqliteStatement::int64(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

QString SqliteStatement::text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    if (!data)
        return {};
    const int size = sqlite3_column_bytes(m_statement, column);
    if (size == 0)
        return QStringLiteral(""); // empty, not null
    return QString::fromUtf8(data, size);
}

QByteArray SqliteStatement::bytes(int column) const {
    const void* data = sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    if (!data || size == 0)
        return QByteArray("", 0);
    return QByteArray(static_cast<const char*>(data), size);
}

std::optional<QString> SqliteStatement::optionalText(int column) const {
    if (isNull(column))
        return std::nullopt;
    return text(column);
}

std::optional<QByteArray> SqliteStatement::optionalBytes(int column) const {
    if (isNull(column))
        return std::nullopt;
    return bytes(column);
}

std::optional<qint64> SqliteStatement::optionalInt64(int column) const {
    if (isNull(column))
        return std::nullopt;
    return int64(column);
}

int execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

QString lastError(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

} // namespace quillbox
