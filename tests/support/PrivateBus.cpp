#include "PrivateBus.h"

#include "TestContent.h"
#include "X11TestEnvironment.h"

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

} // namespace quillbox::testing
