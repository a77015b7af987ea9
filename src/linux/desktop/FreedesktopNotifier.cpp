#include "linux/desktop/FreedesktopNotifier.h"

#include "content/Logging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

namespace quillbox {

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
// The desktop's own default time on screen.
constexpr int defaultTimeout = -1;
} // namespace

void FreedesktopNotifier::notify(const QString& summary, const QString& body) {
    qCInfo(lcApp).noquote() << QStringLiteral("Quillbox: %1: %2").arg(summary, body);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, service, QStringLiteral("Notify"));
    call << QStringLiteral("Quillbox") << uint(0) << QStringLiteral("edit-paste") << summary << body
         << QStringList() << QVariantMap() << defaultTimeout;
    // The answer (the notification's id) is of no use: nothing waits for it.
    call.setAutoStartService(true);
    bus.asyncCall(call);
}

} // namespace quillbox
