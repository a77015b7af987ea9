#include "StandInPortal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTimer>
#include <chrono>

namespace quillbox::testing {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace quillbox::testing

Q_DECLARE_METATYPE(quillbox::testing::PortalShortcut)

namespace quillbox::testing {

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString registryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString remoteDesktopInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
const QString screenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");

// Where the portal puts an object for a caller: ":1.42" becomes "1_42".
QString pathFor(const QString& sender, const QString& kind, const QString& token) {
    QString element = sender.mid(1);
    element.replace(u'.', u'_');
    return portalPath + u'/' + kind + u'/' + element + u'/' + token;
}

} // namespace

StandInPortal::StandInPortal(const QString& connectionName)
    : m_connectionName(connectionName) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

StandInPortal::~StandInPortal() {
    QDBusConnection(m_connectionName).unregisterObject(portalPath, QDBusConnection::UnregisterTree);
}

bool StandInPortal::serve() {
    QDBusConnection connection(m_connectionName);
    return connection.registerVirtualObject(portalPath, this, QDBusConnection::SubPath) &&
           connection.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

QList<StandInPortal::Call> StandInPortal::callsTo(const QString& member) const {
    QList<Call> matching;
    for (const Call& call : m_calls) {
        if (call.member == member)
            matching.append(call);
    }
    return matching;
}

QStringList StandInPortal::members() const {
    QStringList names;
    for (const Call& call : m_calls)
        names.append(call.member);
    return names;
}

QList<std::pair<int, uint>> StandInPortal::keys() const {
    QList<std::pair<int, uint>> pairs;
    for (const Call& call : callsTo(QStringLiteral("NotifyKeyboardKeycode")))
        pairs.append({call.arguments.value(2).toInt(), call.arguments.value(3).toUInt()});
    return pairs;
}

void StandInPortal::activate(const QString& sessionPath, const QString& shortcutID) {
    QDBusMessage signal =
        QDBusMessage::createSignal(portalPath, shortcutsInterface, QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(sessionPath)) << shortcutID << qulonglong(1)
           << QVariantMap{};
    QDBusConnection(m_connectionName).send(signal);
}

void StandInPortal::closeSession(const QString& sessionPath) {
    QDBusMessage signal =
        QDBusMessage::createSignal(sessionPath, sessionInterface, QStringLiteral("Closed"));
    signal << QVariantMap{};
    QDBusConnection(m_connectionName).send(signal);
}

QString StandInPortal::introspect(const QString& path) const {
    Q_UNUSED(path);
    return {};
}

bool StandInPortal::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString interface = message.interface();
    const QString member = message.member();
    // Structured arguments arrive as QDBusArguments, which read only once.
    Call call{interface, member, message.path(), message.arguments(), {}, {}};
    const QVariant last = call.arguments.value(call.arguments.size() - 1);
    if (last.canConvert<QDBusArgument>() &&
        last.value<QDBusArgument>().currentSignature() == QStringLiteral("a{sv}"))
        call.options = qdbus_cast<QVariantMap>(last);
    if (member == QStringLiteral("BindShortcuts"))
        call.arguments.value(1).value<QDBusArgument>() >> call.shortcuts;
    m_calls.append(call);

    const bool offered = (interface == registryInterface && hasRegistry) ||
                         (interface == shortcutsInterface && hasGlobalShortcuts) ||
                         (interface == remoteDesktopInterface && hasRemoteDesktop) ||
                         (interface == screenshotInterface && hasScreenshot) ||
                         interface == sessionInterface;
    if (!offered) {
        connection.send(message.createErrorReply(QDBusError::UnknownMethod,
                                                 QStringLiteral("no such interface here")));
        return true;
    }
    if (interface == registryInterface || interface == sessionInterface ||
        member == QStringLiteral("NotifyKeyboardKeycode")) {
        connection.send(message.createReply());
        return true;
    }

    // A method answered through a Request: the options come last.
    const QVariantMap& options = m_calls.constLast().options;
    const QString request = pathFor(message.service(), QStringLiteral("request"),
                                    options.value(QStringLiteral("handle_token")).toString());
    connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));

    const uint response = responses.value(member, 0);
    QVariantMap results;
    if (member == QStringLiteral("CreateSession")) {
        m_lastSession = pathFor(message.service(), QStringLiteral("session"),
                                options.value(QStringLiteral("session_handle_token")).toString());
        results.insert(QStringLiteral("session_handle"), m_lastSession);
    } else if (member == QStringLiteral("BindShortcuts")) {
        // The desktop takes the preferred keys and says so in its own words.
        QList<PortalShortcut> bound = m_calls.constLast().shortcuts;
        for (PortalShortcut& shortcut : bound)
            shortcut.properties = {
                {QStringLiteral("description"),
                 shortcut.properties.value(QStringLiteral("description"))},
                {QStringLiteral("trigger_description"),
                 shortcut.properties.value(QStringLiteral("preferred_trigger"))}};
        results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(bound));
    } else if (member == QStringLiteral("Start")) {
        results.insert(QStringLiteral("devices"), uint(lendsKeyboard ? 1 : 0));
        results.insert(QStringLiteral("restore_token"),
                       QStringLiteral("restore-%1").arg(++m_restoreTokens));
    } else if (member == QStringLiteral("PickColor") && pickedColor) {
        QDBusArgument rgb;
        rgb.beginStructure();
        rgb << pickedColor->redF() << pickedColor->greenF() << pickedColor->blueF();
        rgb.endStructure();
        results.insert(QStringLiteral("color"), QVariant::fromValue(rgb));
    }
    respondLater(member, request, response, response == 0 ? results : QVariantMap{});
    return true;
}

void StandInPortal::respondLater(const QString& member, const QString& requestPath, uint response,
                                 const QVariantMap& results) {
    QTimer::singleShot(std::chrono::milliseconds(10), this,
                       [this, member, requestPath, response, results] {
                           QDBusMessage signal = QDBusMessage::createSignal(
                               requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                               QStringLiteral("Response"));
                           signal << response << results;
                           QDBusConnection(m_connectionName).send(signal);
                           m_answered.append(member);
                       });
}

} // namespace quillbox::testing
