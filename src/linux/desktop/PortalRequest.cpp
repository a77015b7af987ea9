#include "linux/desktop/PortalRequest.h"

#include "content/AppConstants.h"
#include "content/Logging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QHash>
#include <QPointer>
#include <QRandomGenerator>

namespace quillbox {

const QString PortalRequest::service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalRequest::objectPath = QStringLiteral("/org/freedesktop/portal/desktop");

namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString registryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");

// The application id's registration, once per bus connection (by its name
// and unique name), and the calls waiting for it.
struct Registration {
    bool isDone = false;
    QList<std::function<void()>> waiting;
};

QHash<QString, Registration>& registrations() {
    static QHash<QString, Registration> byConnection;
    return byConnection;
}

void whenRegistered(const QString& connectionName, std::function<void()> then) {
    QDBusConnection bus(connectionName);
    const QString key = connectionName + QLatin1Char(' ') + bus.baseService();
    Registration& registration = registrations()[key];
    if (registration.isDone) {
        then();
        return;
    }
    registration.waiting.append(std::move(then));
    if (registration.waiting.size() > 1)
        return; // the registration is on its way
    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalRequest::service, PortalRequest::objectPath,
                                       registryInterface, QStringLiteral("Register"));
    call << AppConstants::applicationID << QVariantMap{};
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [key](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         const QDBusPendingReply<> reply = *finished;
                         // Portals before the registry know callers by other means,
                         // and one without a portal at all fails the call that follows.
                         if (reply.isError())
                             qCDebug(lcCore, "Quillbox: no portal registry: %s",
                                     qPrintable(reply.error().name()));
                         Registration& done = registrations()[key];
                         done.isDone = true;
                         const auto waiting = std::exchange(done.waiting, {});
                         for (const auto& next : waiting)
                             next();
                     });
}

} // namespace

PortalRequest::PortalRequest(const QString& connectionName, QObject* context, Completion completion)
    : QObject(context)
    , m_connectionName(connectionName)
    , m_completion(std::move(completion)) {
}

void PortalRequest::send(const QString& connectionName, const QString& interface,
                         const QString& method, const QVariantList& arguments, QVariantMap options,
                         QObject* context, Completion completion) {
    QPointer request = new PortalRequest(connectionName, context, std::move(completion));
    whenRegistered(connectionName, [=] {
        if (request)
            request->call(interface, method, arguments, options);
    });
}

QString PortalRequest::newToken() {
    static quint64 counter = 0;
    return QStringLiteral("quillbox%1_%2")
        .arg(++counter)
        .arg(QRandomGenerator::global()->generate());
}

QString PortalRequest::pathFor(const QString& connectionName, const QString& kind,
                               const QString& token) {
    // The unique name ":1.42" becomes the path element "1_42".
    QString sender = QDBusConnection(connectionName).baseService();
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return objectPath + QLatin1Char('/') + kind + QLatin1Char('/') + sender + QLatin1Char('/') +
           token;
}

bool PortalRequest::meansAbsent(QDBusError::ErrorType type) {
    switch (type) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownObject:
    case QDBusError::NotSupported:
        return true;
    default:
        return false;
    }
}

void PortalRequest::call(const QString& interface, const QString& method,
                         const QVariantList& arguments, QVariantMap options) {
    QDBusConnection bus(m_connectionName);
    if (!bus.isConnected()) {
        finish({Outcome::Kind::absent, 2, {}, QStringLiteral("no session bus")});
        return;
    }
    const QString token = newToken();
    options.insert(QStringLiteral("handle_token"), token);
    listenAt(pathFor(m_connectionName, QStringLiteral("request"), token));

    QDBusMessage message = QDBusMessage::createMethodCall(service, objectPath, interface, method);
    message.setArguments(arguments);
    message << options;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                if (reply.isError()) {
                    const QDBusError error = reply.error();
                    finish(
                        {meansAbsent(error.type()) ? Outcome::Kind::absent : Outcome::Kind::failed,
                         2,
                         {},
                         error.name() + QStringLiteral(": ") + error.message()});
                    return;
                }
                // Portals older than handle_token choose the path themselves.
                const QString path = reply.value().path();
                if (!m_completion || path == m_requestPath)
                    return;
                listenAt(path);
            });
}

void PortalRequest::listenAt(const QString& path) {
    QDBusConnection bus(m_connectionName);
    if (!m_requestPath.isEmpty())
        bus.disconnect(service, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                       SLOT(onResponse(uint, QVariantMap)));
    m_requestPath = path;
    bus.connect(service, path, requestInterface, QStringLiteral("Response"), this,
                SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::onResponse(uint response, const QVariantMap& results) {
    finish({Outcome::Kind::answered, response, results, {}});
}

void PortalRequest::finish(const Outcome& outcome) {
    const Completion completion = std::exchange(m_completion, {});
    if (!completion)
        return;
    QDBusConnection(m_connectionName)
        .disconnect(service, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                    SLOT(onResponse(uint, QVariantMap)));
    deleteLater();
    completion(outcome);
}

void PortalRequest::closeSession(const QString& connectionName, QString& sessionPath,
                                 QObject* receiver, const char* closedSlot) {
    if (sessionPath.isEmpty())
        return;
    static const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
    QDBusConnection bus(connectionName);
    bus.disconnect(service, sessionPath, sessionInterface, QStringLiteral("Closed"), receiver,
                   closedSlot);
    bus.asyncCall(QDBusMessage::createMethodCall(service, sessionPath, sessionInterface,
                                                 QStringLiteral("Close")));
    sessionPath.clear();
}

} // namespace quillbox
