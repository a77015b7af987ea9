#pragma once

#include "QuillboxSession.h"
#include "X11TestEnvironment.h"

namespace quillbox::testing {

// The text field of another program, which reports what it holds.
class PasteTarget {
public:
    explicit PasteTarget(const QuillboxSession& session)
        : m_process(QStringLiteral(QUILLBOX_PASTE_TARGET), {}, session.environment()) {}

    // Waits until the field is shown and makes it the active window.
    bool start(const QuillboxSession& session) {
        using namespace std::chrono_literals;
        if (!m_process.waitStarted())
            return false;
        if (!waitUntil([&] { return read().contains("ready "); }, 10s))
            return false;
        const qsizetype at = m_output.indexOf("ready ") + 6;
        m_windowID = QString::fromLatin1(m_output.mid(at, m_output.indexOf('\n', at) - at));
        return activateWindow(m_windowID, session.environment());
    }
    // The field's text as last reported.
    QString text() {
        read();
        const qsizetype at = m_output.lastIndexOf("text ");
        if (at < 0)
            return {};
        const qsizetype end = m_output.indexOf('\n', at);
        return QString::fromUtf8(
            QByteArray::fromPercentEncoding(m_output.mid(at + 5, end - at - 5)));
    }
    const QString& windowID() const { return m_windowID; }

private:
    QByteArray read() { return m_output += m_process.readAllStandardOutput(); }

    ChildProcess m_process;
    QByteArray m_output;
    QString m_windowID;
};

} // namespace quillbox::testing
