#pragma once

#include "ports/KeystrokeSender.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <functional>

namespace quillbox::testing {

// Records each paste keystroke asked for, and when, counted from the fake's
// creation; counts the remembered target windows. Reports the keys as sent
// unless told the desktop refuses them.
class FakeKeystrokeSender : public KeystrokeSender {
public:
    FakeKeystrokeSender() { m_clock.start(); }

    void rememberTargetWindow() override { ++m_rememberedTargets; }
    void sendPasteKeystroke(Outcome done) override {
        if (!m_refusesKeys) {
            m_sent.append(QStringLiteral("paste"));
            m_sentAt.append(m_clock.elapsed());
            if (onKeysSent)
                onKeysSent();
        }
        if (done)
            done(!m_refusesKeys);
    }

    // No keys go out, as where the desktop has no way to send them.
    void setRefusesKeys(bool refuses) { m_refusesKeys = refuses; }

    const QStringList& sentKeystrokes() const { return m_sent; }
    // Milliseconds since creation (or restartClock) at which each went out.
    const QList<qint64>& sentAt() const { return m_sentAt; }
    void restartClock() { m_clock.start(); }
    int rememberedTargets() const { return m_rememberedTargets; }

    // Called as each paste keystroke "goes out", to look at the desktop then.
    std::function<void()> onKeysSent;

private:
    QElapsedTimer m_clock;
    QStringList m_sent;
    QList<qint64> m_sentAt;
    int m_rememberedTargets = 0;
    bool m_refusesKeys = false;
};

} // namespace quillbox::testing
