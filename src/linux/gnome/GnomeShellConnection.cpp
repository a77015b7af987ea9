#include "linux/gnome/GnomeShellConnection.h"

#include "content/Logging.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QWindow>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

const QString shellService = u"org.gnome.Shell"_s;
const QString objectPath = u"/io/github/quillbox/Shell"_s;
const QString interfaceName = u"io.github.quillbox.Shell1"_s;

QDBusMessage call(const QString& method, const QVariantList& arguments = {}) {
    auto message = QDBusMessage::createMethodCall(shellService, objectPath, interfaceName, method);
    message.setArguments(arguments);
    return message;
}

QList<QByteArray> toBytes(const QStringList& strings) {
    QList<QByteArray> result;
    result.reserve(strings.size());
    for (const QString& string : strings)
        result.append(string.toUtf8());
    return result;
}

// One entry of a(say): a MIME type and its bytes.
struct Representation {
    QString mimeType;
    QByteArray bytes;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Representation& representation) {
    argument.beginStructure();
    argument << representation.mimeType << representation.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Representation& representation) {
    argument.beginStructure();
    argument >> representation.mimeType >> representation.bytes;
    argument.endStructure();
    return argument;
}

} // namespace

} // namespace quillbox

Q_DECLARE_METATYPE(quillbox::Representation)

namespace quillbox {

std::optional<QString> GnomeShellConnection::probe(std::chrono::milliseconds timeout) {
    // A connection of its own, ended here: this runs before the application.
    const QString name = u"quillbox-gnome-probe"_s;
    std::optional<QString> version;
    {
        // By its address as it stands: the bus library keeps the first it saw.
        const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
        QDBusConnection bus = address.isEmpty()
                                  ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                                  : QDBusConnection::connectToBus(address, name);
        if (bus.isConnected()) {
            const QDBusMessage reply =
                bus.call(call(u"Ping"_s), QDBus::Block, int(timeout.count()));
            if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() >= 2 &&
                reply.arguments().at(0).toUInt() >= interfaceVersion)
                version = reply.arguments().at(1).toString();
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return version;
}

QString GnomeShellConnection::enableCommand() {
    return u"gnome-extensions enable %1"_s.arg(QLatin1String(extensionUuid));
}

GnomeShellConnection::GnomeShellConnection(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {
    qDBusRegisterMetaType<Representation>();
    qDBusRegisterMetaType<QList<Representation>>();
    // Only the Shell's own connection may report: any client could send
    // these signals.
    m_bus.connect(shellService, objectPath, interfaceName, u"SelectionChanged"_s, this,
                  SLOT(onSelectionChanged(uint, QStringList, QString, bool)));
    m_bus.connect(shellService, objectPath, interfaceName, u"FocusChanged"_s, this,
                  SLOT(onFocusChanged(QString)));
    m_bus.connect(shellService, objectPath, interfaceName, u"ShortcutActivated"_s, this,
                  SLOT(onShortcutActivated(QString)));
    m_bus.connect(shellService, objectPath, interfaceName, u"Attached"_s, this, SLOT(onAttached()));
    m_bus.connect(shellService, objectPath, interfaceName, u"Detached"_s, this, SLOT(onDetached()));
    m_bus.connect(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s, u"org.freedesktop.DBus"_s,
                  u"NameOwnerChanged"_s, this,
                  SLOT(onShellOwnerChanged(QString, QString, QString)));
    // The extension starts watching once this name has an owner.
    if (!m_bus.registerService(QLatin1String(quillboxName)))
        qCWarning(lcGnome) << "Quillbox: cannot own" << quillboxName
                           << "on the session bus:" << m_bus.lastError().message();
    greet();
}

GnomeShellConnection::~GnomeShellConnection() {
    m_bus.unregisterService(QLatin1String(quillboxName));
}

void GnomeShellConnection::greet() {
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call(u"Ping"_s), 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const bool answered = !w->isError();
        if (!answered) {
            if (m_available)
                qCWarning(lcGnome) << "Quillbox: the GNOME Shell extension stopped answering";
            m_available = false;
            return;
        }
        m_available = true;
        auto* focus = new QDBusPendingCallWatcher(
            m_bus.asyncCall(call(u"GetFocusedApplication"_s), 2000), this);
        connect(focus, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* f) {
                    f->deleteLater();
                    QDBusPendingReply<QString> reply = *f;
                    if (!reply.isError())
                        m_focusedApplication = reply.value();
                });
        Q_EMIT connected();
    });
}

void GnomeShellConnection::callAndForget(const QDBusMessage& message, int timeoutMs) {
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError())
            qCDebug(lcGnome) << "the GNOME Shell extension refused:" << w->error().message();
    });
}

void GnomeShellConnection::requestSelection() {
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(call(u"GetSelection"_s), 2000), this);
    const quint64 changesBefore = m_changesSeen;
    ++m_selectionRequests;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, changesBefore](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                --m_selectionRequests;
                QDBusPendingReply<uint, QStringList, QString> reply = *w;
                if (reply.isError()) {
                    qCWarning(lcGnome) << "Quillbox: the GNOME Shell extension did not answer:"
                                       << reply.error().message();
                    Q_EMIT selectionUnavailable();
                    return;
                }
                if (m_changesSeen != changesBefore) {
                    // A change came in the meantime: this answer is older than it.
                    Q_EMIT selectionUnavailable();
                    return;
                }
                if (!reply.argumentAt<2>().isEmpty())
                    m_focusedApplication = reply.argumentAt<2>();
                Q_EMIT selectionChanged(reply.argumentAt<0>(), toBytes(reply.argumentAt<1>()),
                                        reply.argumentAt<2>(), false, false);
            });
}

void GnomeShellConnection::transfer(uint serial, const QByteArray& mimeType, int writeFd) {
    // The end of the pipe is the end of the transfer, whatever the answer:
    // sent without waiting for one, so that no copy of the write end stays
    // here once the message has gone (a pending call would keep it open).
    QDBusUnixFileDescriptor fd(writeFd);
    ::close(writeFd);
    m_bus.send(call(u"Transfer"_s, {serial, QString::fromUtf8(mimeType), QVariant::fromValue(fd)}));
}

bool GnomeShellConnection::setSelection(
    const QList<QPair<QByteArray, QByteArray>>& representations) {
    if (!m_available)
        return false;
    QList<Representation> items;
    items.reserve(representations.size());
    for (const auto& [mimeType, bytes] : representations)
        items.append({QString::fromUtf8(mimeType), bytes});
    callAndForget(call(u"SetSelection"_s, {QVariant::fromValue(items)}), 5000);
    return true;
}

void GnomeShellConnection::sendKeys(const QStringList& keyNames, std::function<void(bool)> done) {
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(call(u"SendKeys"_s, {keyNames}), 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (done)
                    done(!w->isError());
            });
}

void GnomeShellConnection::placeWindow(const QString& title, bool focus) {
    callAndForget(call(u"PlaceWindow"_s, {uint(::getpid()), title, focus}), 2000);
}

void GnomeShellConnection::onSelectionChanged(uint serial, const QStringList& mimeTypes,
                                              const QString& appId, bool setByQuillbox) {
    ++m_changesSeen;
    m_available = true;
    if (!appId.isEmpty())
        m_focusedApplication = appId;
    Q_EMIT selectionChanged(serial, toBytes(mimeTypes), appId, setByQuillbox, true);
}

void GnomeShellConnection::onFocusChanged(const QString& appId) {
    m_focusedApplication = appId;
}

void GnomeShellConnection::onShortcutActivated(const QString& name) {
    Q_EMIT shortcutActivated(name);
}

void GnomeShellConnection::onShellOwnerChanged(const QString& name, const QString&,
                                               const QString& newOwner) {
    if (name != shellService)
        return;
    m_available = false;
    // A restarted Shell loads the extension anew, which sees our name and
    // reports again; greet it and read what it holds now.
    if (!newOwner.isEmpty()) {
        greet();
        requestSelection();
    }
}

void GnomeShellConnection::onAttached() {
    // Also the answer to owning our name at start, while the first question
    // for the contents is on its way: asked once, not twice.
    greet();
    if (m_selectionRequests == 0)
        requestSelection();
}

void GnomeShellConnection::onDetached() {
    qCInfo(lcGnome) << "Quillbox: the GNOME Shell extension was disabled; waiting for it";
    m_available = false;
}

} // namespace quillbox
