#include "PrivateBus.h"

#include "TestContent.h"
#include "X11TestEnvironment.h"

#include <QDBusConnection>

namespace quillbox::testing {

PrivateBus::PrivateBus() {
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    writeFile(config, "<busconfig><type>session</type><listen>unix:dir=" + m_dir.path().toUtf8() +
                          "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                          "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n");
    m_daemon = std::make_unique<ChildProcess>(QStringLiteral("dbus-daemon"),
                                              QStringList{QStringLiteral("--config-file"), config,
                                                          QStringLiteral("--nofork"),
                                                          QStringLiteral("--print-address")});
    waitUntil(
        [&] {
            m_address += QString::fromUtf8(m_daemon->readAllStandardOutput());
            return m_address.contains(u'\n');
        },
        std::chrono::seconds(5));
    m_address = m_address.trimmed();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
}

QString PrivateBus::connect(const QString& prefix) {
    static int count = 0;
    const QString name = prefix + QString::number(++count);
    m_connections.append(name);
    return QDBusConnection::connectToBus(m_address, name).isConnected() ? name : QString();
}

} // namespace quillbox::testing
