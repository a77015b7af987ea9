#include "history/HistoryTestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <gtest/gtest.h>

namespace quillbox::testing {
namespace {

constexpr int crashRuns = 5;

// A process killed at any moment leaves a store that opens cleanly and holds
// every item whose record() had returned.
TEST(CrashTest, ItemsSavedBeforeAKillSurviveIt) {
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Quillbox.store"_qs);
    QSet<QUuid> printed;
    for (int run = 0; run < crashRuns; ++run) {
        SCOPED_TRACE(run);
        QProcess loop;
        loop.start(QStringLiteral(QUILLBOX_RECORD_LOOP), {path});
        ASSERT_TRUE(loop.waitForStarted());
        ASSERT_TRUE(loop.waitForReadyRead(10'000)) << loop.readAllStandardError().toStdString();
        QThread::msleep(QRandomGenerator::global()->bounded(50, 600));
        loop.kill(); // SIGKILL
        ASSERT_TRUE(loop.waitForFinished(10'000));
        const qsizetype before = printed.size();
        for (const QByteArray& line : loop.readAllStandardOutput().split('\n')) {
            if (const QUuid id(QString::fromLatin1(line)); !id.isNull())
                printed.insert(id);
        }
        EXPECT_GT(printed.size(), before);

        LogCapture log;
        auto container = StoreContainer::makeShared(false, path);
        EXPECT_FALSE(container->isInMemory());
        EXPECT_FALSE(log.contains(u"Moving it aside"_qs));
        HistoryStore store(container);
        QSet<QUuid> stored;
        for (const auto& item : store.allItems())
            stored.insert(item->id());
        for (const QUuid& id : std::as_const(printed))
            EXPECT_TRUE(stored.contains(id)) << id.toString().toStdString();
        // The last item may have been committed before its id was printed.
        EXPECT_LE(stored.size() - printed.size(), run + 1);
    }
    EXPECT_TRUE(QDir(folder.path()).entryList({u"*.broken-*"_qs}).isEmpty());
}

} // namespace
} // namespace quillbox::testing
