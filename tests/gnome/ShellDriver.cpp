#include "ShellDriver.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>

namespace {

struct Offered {
    QString mimeType;
    QByteArray bytes;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Offered& offered) {
    argument.beginStructure();
    argument << offered.mimeType << offered.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Offered& offered) {
    argument.beginStructure();
    argument >> offered.mimeType >> offered.bytes;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(Offered)

namespace quillbox::testing {

namespace {

QRect rectFrom(const QDBusArgument& argument) {
    int x = 0, y = 0, width = 0, height = 0;
    argument.beginStructure();
    argument >> x >> y >> width >> height;
    argument.endStructure();
    return QRect(x, y, width, height);
}

} // namespace

QDBusMessage shellCall(const QString& path, const QString& interface, const QString& method,
                       const QVariantList& arguments) {
    auto message =
        QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"), path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
}

QDBusMessage driver(const QString& method, const QVariantList& arguments) {
    return shellCall(QStringLiteral("/io/github/quillbox/ShellTest"),
                     QStringLiteral("io.github.quillbox.ShellTest"), method, arguments);
}

QDBusMessage quillboxExtension(const QString& method, const QVariantList& arguments) {
    return shellCall(QStringLiteral("/io/github/quillbox/Shell"),
                     QStringLiteral("io.github.quillbox.Shell1"), method, arguments);
}

bool applicationCopies(const QString& mimeType, const QByteArray& bytes) {
    qDBusRegisterMetaType<Offered>();
    qDBusRegisterMetaType<QList<Offered>>();
    const auto reply = driver(QStringLiteral("SetClipboard"),
                              {QVariant::fromValue(QList<Offered>{{mimeType, bytes}})});
    return reply.type() == QDBusMessage::ReplyMessage;
}

QByteArray applicationPastes(const QString& mimeType) {
    const auto reply = driver(QStringLiteral("ReadClipboard"), {mimeType});
    return reply.arguments().value(0).toByteArray();
}

QStringList offeredTypes() {
    return driver(QStringLiteral("ClipboardTypes")).arguments().value(0).toStringList();
}

QList<ShownWindow> shownWindows() {
    const auto reply = driver(QStringLiteral("Windows"));
    QList<ShownWindow> windows;
    if (reply.type() != QDBusMessage::ReplyMessage)
        return windows;
    const auto argument = reply.arguments().value(0).value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        ShownWindow window;
        int x = 0, y = 0, width = 0, height = 0;
        argument.beginStructure();
        argument >> window.title >> window.wmClass >> window.pid >> window.focused >> x >> y >>
            width >> height;
        argument.endStructure();
        window.frame = QRect(x, y, width, height);
        windows.append(window);
    }
    argument.endArray();
    return windows;
}

ShownWindow focusedWindow() {
    for (const ShownWindow& window : shownWindows()) {
        if (window.focused)
            return window;
    }
    return {};
}

MonitorArea monitorArea() {
    const auto reply = driver(QStringLiteral("Monitor"));
    if (reply.arguments().size() < 2)
        return {};
    return {rectFrom(reply.arguments().at(0).value<QDBusArgument>()),
            rectFrom(reply.arguments().at(1).value<QDBusArgument>())};
}

} // namespace quillbox::testing
