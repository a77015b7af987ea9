#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

namespace quillbox::testing {

// Collects the log lines written, from any thread, while it exists; they are
// also passed on to stderr so a failing test still shows them.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& fragment) const;

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);
    inline static LogCapture* s_current = nullptr;
    LogCapture* m_outer = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_lines;
};

} // namespace quillbox::testing
