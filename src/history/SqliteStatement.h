#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace quillbox {

// One prepared SQLite statement with typed binds and reads. Absent optionals
// bind as NULL; NULL columns read back as absent, so "" and none stay apart.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    int prepareResult() const { return m_prepareResult; }

    void bind(int index, qint64 value);
    void bind(int index, const QString& value);
    // Bytes are bound without a copy (a payload may be very large): they must
    // stay as they are until the statement is reset, as run() does.
    void bind(int index, const QByteArray& value);
    void bind(int index, const std::optional<QString>& value);
    void bind(int index, const std::optional<QByteArray>& value);
    void bind(int index, const std::optional<qint64>& value);
    void bindNull(int index);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Runs the statement to its end; true when it finished without error.
    bool run();
    void reset();

    bool isNull(int column) const;
    bool isBlob(int column) const;
    qint64 int64(int column) const;
    QString text(int column) const; // a null QString for NULL, an empty one for ''
    QByteArray bytes(int column) const;
    std::optional<QString> optionalText(int column) const;
    std::optional<QByteArray> optionalBytes(int column) const;
    std::optional<qint64> optionalInt64(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
    int m_prepareResult = 0;
};

// Runs one or more statements that return no rows; the SQLite result code.
int execute(sqlite3* db, const char* sql);
// The last error on the connection, for log lines.
QString lastError(sqlite3* db);

} // namespace quillbox
