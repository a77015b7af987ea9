#pragma once

#include "QuillboxSession.h"
#include "X11TestEnvironment.h"

namespace quillbox::testing {

// The text field of another program, which reports what it holds and the
// keys it was sent.
class PasteTarget {
public:
    // resourceName: the WM_CLASS instance the field poses as ("kitty" for a
    // terminal); empty for an ordinary application.
    explicit PasteTarget(const QProcessEnvironment& environment, const QString& resourceName = {})
        : m_environment(withResourceName(environment, resourceName))
        , m_process(QStringLiteral(QUILLBOX_PASTE_TARGET), {}, m_environment) {}
    explicit PasteTarget(const QuillboxSession& session)
        : PasteTarget(session.environment()) {}

    // Waits until the field is shown and makes it the active window.
    bool start() {
        using namespace std::chrono_literals;
        if (!m_process.waitStarted())
            return false;
        if (!waitUntil([&] { return read().contains("ready "); }, 10s))
            return false;
        const qsizetype at = m_output.indexOf("ready ") + 6;
        m_windowID = QString::fromLatin1(m_output.mid(at, m_output.indexOf('\n', at) - at));
        return activateWindow(m_windowID, m_environment);
    }
    // The field's text as last reported.
    QString text() {
        QByteArray last;
        for (const QByteArray& line : read().split('\n'))
            if (line.startsWith("text "))
                last = line.mid(5);
        return QString::fromUtf8(QByteArray::fromPercentEncoding(last));
    }
    // Each key press as "<modifiers> <key>", in Qt's numbers.
    QList<QByteArray> keys() {
        QList<QByteArray> keys;
        for (const QByteArray& line : read().split('\n'))
            if (line.startsWith("key "))
                keys.append(line.mid(4));
        return keys;
    }
    const QString& windowID() const { return m_windowID; }

private:
    static QProcessEnvironment withResourceName(QProcessEnvironment environment,
                                                const QString& resourceName) {
        if (!resourceName.isEmpty())
            environment.insert(QStringLiteral("RESOURCE_NAME"), resourceName);
        return environment;
    }
    QByteArray read() { return m_output += m_process.readAllStandardOutput(); }

    QProcessEnvironment m_environment;
    ChildProcess m_process;
    QByteArray m_output;
    QString m_windowID;
};

} // namespace quillbox::testing
