#include "history/HistoryTestSupport.h"

#include <QFile>
#include <sqlite3.h>

namespace quillbox::testing {

TemporaryStore::TemporaryStore() {
    reopen();
}

void TemporaryStore::close() {
    m_store.reset();
    m_container.reset();
}

void TemporaryStore::reopen() {
    close();
    m_container = StoreContainer::makeShared(false, path());
    m_store = std::make_unique<HistoryStore>(m_container);
}

void TemporaryStore::setReadOnly(bool readOnly) {
    sqlite3_exec(m_container->handle(),
                 readOnly ? "PRAGMA query_only = ON" : "PRAGMA query_only = OFF", nullptr, nullptr,
                 nullptr);
}

qint64 queryNumber(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    const qint64 value =
        sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    return value;
}

qint64 queryNumber(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const qint64 value = queryNumber(db, sql);
    sqlite3_close(db);
    return value;
}

} // namespace quillbox::testing
