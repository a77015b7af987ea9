#pragma once

#include "linux/desktop/PortalRequest.h"
#include "ports/ColorSampler.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

namespace quillbox {

// The desktop portal's colour picker (Screenshot.PickColor over D-Bus), which
// works on Wayland and on desktops that ship a portal. Fully asynchronous:
// the call and its Response signal arrive through the event loop.
//
// Whether the portal exists is learnt from the first call's error; after
// that isAvailable() is false for good, and a fallback takes over.
class PortalColorSampler : public QObject, public ColorSampler {
    Q_OBJECT
public:
    // On the session bus.
    explicit PortalColorSampler(QObject* parent = nullptr);
    // On a bus connection already opened under this name (QDBusConnection).
    explicit PortalColorSampler(const QString& connectionName, QObject* parent = nullptr);

    bool isAvailable() const override;
    void sample(Completion completion) override;

private:
    void onOutcome(const PortalRequest::Outcome& outcome);
    void finish(std::optional<QColor> color);
    void markAbsent(const QString& reason);

    QString m_connectionName;
    bool m_isAbsent = false;
    bool m_isBusy = false;
    Completion m_completion;
};

} // namespace quillbox
