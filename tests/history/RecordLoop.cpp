// A second process for the store tests, running until it is killed:
//   history_record_loop PATH
//     records one item after another and prints each id once record() returned;
//   history_record_loop --hold-lock PATH JOURNAL_MODE
//     holds an exclusive write lock on the store, as another Quillbox might,
//     and prints "locked" once it has it.
#include "TestContent.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <sqlite3.h>

namespace {

int holdLock(const char* path, const char* journalMode) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path, &db) != SQLITE_OK)
        return 5;
    const QByteArray setMode = "PRAGMA journal_mode = " + QByteArray(journalMode);
    sqlite3_exec(db, setMode.constData(), nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, "BEGIN EXCLUSIVE; UPDATE ClipboardItem SET isPinned = 1", nullptr, nullptr,
                     nullptr) != SQLITE_OK)
        return 6;
    std::printf("locked\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--hold-lock")
        return holdLock(argv[2], argv[3]);
    if (argc < 2)
        return 2;
    using namespace quillbox;
    auto container = StoreContainer::makeShared(false, QString::fromLocal8Bit(argv[1]));
    if (container->isInMemory())
        return 3;
    HistoryStore store(container);
    const QString padding(2000, u'x'); // large enough to spread over several pages
    for (qint64 i = 0;; ++i) {
        const auto item = store.record(
            testing::textContent(
                QStringLiteral("%1 %2 ").arg(QCoreApplication::applicationPid()).arg(i) + padding),
            QStringLiteral("org.example.Loop"), {});
        if (store.hasUnsavedChanges())
            return 4;
        std::printf("%s\n", item->id().toString(QUuid::WithoutBraces).toLatin1().constData());
        std::fflush(stdout);
    }
}
