#pragma once

// What the X11 clipboard tests share: a fresh X11Pasteboard per test, real
// clipboard owners (xclip, and our own test owner for several targets or an
// owner that misbehaves), and a capture of Quillbox's log lines.
#include "ChildProcess.h"
#include "LogCapture.h"
#include "X11TestEnvironment.h"
#include "linux/x11/X11Pasteboard.h"

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace quillbox::testing {

class PasteboardTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Replaces the pasteboard with one that reads under other limits.
    void usePasteboard(const ClipboardReadLimits& limits);

    QString writeFile(const QString& name, const QByteArray& bytes);
    // xclip holding the clipboard with one target, in the foreground (-quiet)
    // so that it can be ended by its process id.
    std::unique_ptr<ChildProcess> startXclip(const QString& target, const QByteArray& bytes);
    // Our test owner offering target name → data, in the mode its usage
    // describes. Waits until it owns the clipboard.
    std::unique_ptr<ChildProcess> startOwner(const QList<QPair<QString, QByteArray>>& targets,
                                             const QString& mode = u"serve"_qs);

    // Serves events until the change count has moved past `before` and the
    // condition holds.
    bool waitForChange(qint64 before, const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10));

    std::unique_ptr<X11Pasteboard> m_pasteboard;
    QTemporaryDir m_files;
    int m_fileCount = 0;
};

} // namespace quillbox::testing
