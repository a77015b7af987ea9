#include "history/HistoryTestSupport.h"

#include <QMutex>
#include <sqlite3.h>

namespace quillbox::testing {

namespace {

QMutex logMutex;
QStringList capturedLines;
QtMessageHandler previousHandler = nullptr;
int captures = 0; // captures nest: only the outermost installs the handler

void captureMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        QMutexLocker locker(&logMutex);
        capturedLines.append(message);
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

LogCapture::LogCapture() {
    QMutexLocker locker(&logMutex);
    capturedLines.clear();
    if (captures++ == 0)
        previousHandler = qInstallMessageHandler(captureMessage);
}

LogCapture::~LogCapture() {
    QMutexLocker locker(&logMutex);
    if (--captures == 0)
        qInstallMessageHandler(previousHandler);
}

QStringList LogCapture::lines() const {
    QMutexLocker locker(&logMutex);
    return capturedLines;
}

bool LogCapture::contains(const QString& fragment) const {
    const QStringList all = lines();
    return std::any_of(all.cbegin(), all.cend(),
                       [&](const QString& line) { return line.contains(fragment); });
}

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
