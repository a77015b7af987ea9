#pragma once

#include "LogCapture.h"
#include "TestContent.h"
#include "content/Hash.h"
#include "content/ParsedClipboardContent.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

struct sqlite3;

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quillbox::testing {

// The first column of the first row a query returns (-1 if none), read
// through an open connection or from the file at `path` alone.
qint64 queryNumber(sqlite3* db, const char* sql);
qint64 queryNumber(const QString& path, const char* sql);

// A store file in a fresh temporary folder, opened and reopened like the
// application opens it at start.
class TemporaryStore {
public:
    TemporaryStore();
    QString folder() const { return m_folder.path(); }
    QString path() const { return m_folder.filePath(QStringLiteral("Quillbox.store")); }
    HistoryStore& store() { return *m_store; }
    StoreContainerPtr container() const { return m_container; }
    // Closes the database completely, then opens it again.
    void reopen();
    void close();
    // Makes every write of the open connection fail (or succeed again).
    void setReadOnly(bool readOnly);
    // Rows of a table as the database holds them.
    qint64 rowCount(const char* table) const {
        const QByteArray sql = "SELECT count(*) FROM " + QByteArray(table);
        return queryNumber(m_container->handle(), sql.constData());
    }

private:
    QTemporaryDir m_folder;
    StoreContainerPtr m_container;
    std::unique_ptr<HistoryStore> m_store;
};

} // namespace quillbox::testing
