#include "history/HistoryTestSupport.h"

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

qint64 TemporaryStore::rowCount(const char* table) const {
    const QByteArray sql = "SELECT count(*) FROM " + QByteArray(table);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(m_container->handle(), sql.constData(), -1, &statement, nullptr);
    qint64 count = -1;
    if (sqlite3_step(statement) == SQLITE_ROW)
        count = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return count;
}

} // namespace quillbox::testing
