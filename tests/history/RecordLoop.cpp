// Records one item after another into the store given as the argument and
// prints each item's id once record() has returned, until it is killed.
#include "content/Hash.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    using namespace quillbox;
    auto container = StoreContainer::makeShared(false, QString::fromLocal8Bit(argv[1]));
    if (container->isInMemory())
        return 3;
    HistoryStore store(container);
    const QByteArray padding(2000, 'x'); // large enough to spread over several pages
    for (qint64 i = 0;; ++i) {
        ParsedClipboardContent content;
        const QString text =
            QStringLiteral("%1 %2 ").arg(QCoreApplication::applicationPid()).arg(i);
        content.content = text.toUtf8() + padding;
        content.plainText = text;
        content.contentType = QStringLiteral("public.utf8-plain-text");
        content.contentHash = sha256Hash(content.content);
        const auto item = store.record(content, QStringLiteral("org.example.Loop"), {});
        if (store.hasUnsavedChanges())
            return 4;
        std::printf("%s\n", item->id().toString(QUuid::WithoutBraces).toLatin1().constData());
        std::fflush(stdout);
    }
}
