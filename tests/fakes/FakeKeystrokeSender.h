#pragma once

#include "ports/KeystrokeSender.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

namespace quillbox::testing {

// Records each paste keystroke asked for, and when, counted from the fake's
// creation; counts the remembered target windows.
class FakeKeystrokeSender : public KeystrokeSender {
public:
    FakeKeystrokeSender() { m_clock.start(); }

    void rememberTargetWindow() override { ++m_rememberedTargets; }
    void sendPasteKeystroke() override {
        m_sent.append(QStringLiteral("paste"));
        m_sentAt.append(m_clock.elapsed());
    }

    const QStringList& sentKeystrokes() const { return m_sent; }
    // Milliseconds since creation (or restartClock) at which each went out.
    const QList<qint64>& sentAt() const { return m_sentAt; }
    void restartClock() { m_clock.start(); }
    int rememberedTargets() const { return m_rememberedTargets; }

private:
    QElapsedTimer m_clock;
    QStringList m_sent;
    QList<qint64> m_sentAt;
    int m_rememberedTargets = 0;
};

} // namespace quillbox::testing
