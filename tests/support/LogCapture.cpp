#include "LogCapture.h"

#include <QMutexLocker>
#include <algorithm>
#include <cstdio>

namespace quillbox::testing {

LogCapture::LogCapture()
    : m_outer(s_current) {
    s_current = this;
    m_previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(m_previous);
    s_current = m_outer;
}

void LogCapture::handler(QtMsgType, const QMessageLogContext&, const QString& message) {
    // Captures nest: every capture that exists sees the line.
    for (LogCapture* capture = s_current; capture; capture = capture->m_outer) {
        QMutexLocker lock(&capture->m_mutex);
        capture->m_lines.append(message);
    }
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

QStringList LogCapture::lines() const {
    QMutexLocker lock(&m_mutex);
    return m_lines;
}

bool LogCapture::contains(const QString& fragment) const {
    const QStringList all = lines();
    return std::any_of(all.cbegin(), all.cend(),
                       [&fragment](const QString& line) { return line.contains(fragment); });
}

} // namespace quillbox::testing
