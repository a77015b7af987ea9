#pragma once

#include <QColor>
#include <QDBusVirtualObject>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

namespace quillbox::testing {

// One element of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

// A stand-in for the desktop portal on a private bus: the service name
// org.freedesktop.portal.Desktop at /org/freedesktop/portal/desktop with the
// GlobalShortcuts, RemoteDesktop and Screenshot interfaces, their Request
// objects and Response signals, Session objects, and the host registry. Each method
// replies at once and answers through Response a moment later, as the real
// portal does; every call is recorded.
class StandInPortal : public QDBusVirtualObject {
public:
    struct Call {
        QString interface;
        QString member;
        QString path;
        QVariantList arguments;
        QVariantMap options;             // the last argument, when a vardict
        QList<PortalShortcut> shortcuts; // BindShortcuts' list
    };

    // On a connection of this process (PrivateBus::connect).
    explicit StandInPortal(const QString& connectionName);
    ~StandInPortal() override;
    // Takes the portal's name and path on the bus.
    bool serve();

    // What it offers and answers. A missing interface answers UnknownMethod.
    bool hasRegistry = true;
    bool hasGlobalShortcuts = true;
    bool hasRemoteDesktop = true;
    bool hasScreenshot = true;
    // The Response code per method name (0 when absent).
    QHash<QString, uint> responses;
    // Start lends the keyboard (devices 1) or nothing (0).
    bool lendsKeyboard = true;
    // What PickColor answers with; none: no colour in its results.
    std::optional<QColor> pickedColor;

    const QList<Call>& calls() const { return m_calls; }
    QList<Call> callsTo(const QString& member) const;
    QStringList members() const;
    // NotifyKeyboardKeycode's (key code, state) pairs, in order.
    QList<std::pair<int, uint>> keys() const;

    // The members whose Response went out, in order: what the caller may
    // act on once it has read them.
    const QStringList& answered() const { return m_answered; }
    // The session path the last CreateSession of an interface answered.
    QString lastSession() const { return m_lastSession; }
    void activate(const QString& sessionPath, const QString& shortcutID);
    void closeSession(const QString& sessionPath);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void respondLater(const QString& member, const QString& requestPath, uint response,
                      const QVariantMap& results);

    QString m_connectionName;
    QList<Call> m_calls;
    QStringList m_answered;
    QString m_lastSession;
    int m_restoreTokens = 0;
};

} // namespace quillbox::testing
