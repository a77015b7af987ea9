#pragma once

#include "ports/UserNotifier.h"

#include <QStringList>

namespace quillbox::testing {

// Records each notification as "summary: body".
class FakeUserNotifier : public UserNotifier {
public:
    void notify(const QString& summary, const QString& body) override {
        m_notices.append(summary + QStringLiteral(": ") + body);
    }
    const QStringList& notices() const { return m_notices; }

private:
    QStringList m_notices;
};

} // namespace quillbox::testing
