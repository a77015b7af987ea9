#include "PasteboardFixture.h"

#include "TestContent.h"

namespace quillbox::testing {

void PasteboardTest::SetUp() {
    ASSERT_TRUE(m_files.isValid());
    usePasteboard({});
}

void PasteboardTest::usePasteboard(const ClipboardReadLimits& limits) {
    m_pasteboard.reset();
    m_pasteboard = std::make_unique<X11Pasteboard>(limits);
    ASSERT_TRUE(waitUntil([this] { return m_pasteboard->hasReadInitialContents(); }));
}

QString PasteboardTest::writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = m_files.filePath(QString::number(++m_fileCount) + u'-' + name);
    EXPECT_TRUE(testing::writeFile(path, bytes));
    return path;
}

std::unique_ptr<ChildProcess> PasteboardTest::startXclip(const QString& target,
                                                         const QByteArray& bytes) {
    const QString path = writeFile(u"xclip-data"_qs, bytes);
    auto xclip =
        std::make_unique<ChildProcess>(u"xclip"_qs,
                                       QStringList{u"-quiet"_qs, u"-selection"_qs, u"clipboard"_qs,
                                                   u"-t"_qs, target, u"-i"_qs, path},
                                       X11TestEnvironment::session().environment());
    EXPECT_TRUE(xclip->waitStarted());
    return xclip;
}

std::unique_ptr<ChildProcess>
PasteboardTest::startOwner(const QList<QPair<QString, QByteArray>>& targets, const QString& mode) {
    QStringList arguments{u"--mode"_qs, mode};
    for (const auto& [name, bytes] : targets)
        arguments << u"--target"_qs << name << writeFile(u"owner-data"_qs, bytes);
    auto owner = std::make_unique<ChildProcess>(QStringLiteral(QUILLBOX_TEST_OWNER), arguments,
                                                X11TestEnvironment::session().environment());
    EXPECT_TRUE(owner->waitStarted());
    QByteArray output;
    EXPECT_TRUE(waitUntil([&] {
        output += owner->readAllStandardOutput();
        return output.contains("owned") || !owner->isRunning();
    }));
    EXPECT_TRUE(output.contains("owned")) << owner->readAllStandardError().constData();
    return owner;
}

bool PasteboardTest::waitForChange(qint64 before, const std::function<bool()>& condition,
                                   std::chrono::milliseconds timeout) {
    return waitUntil([&] { return m_pasteboard->changeCount() != before && condition(); }, timeout);
}

} // namespace quillbox::testing
