#pragma once

#include "ChildProcess.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace quillbox::testing {

// A private session bus (dbus-daemon started by the test, ended by its
// process id) with no activatable services, so that the desktop's real
// portal is never started by a test; stand-ins take its names instead.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when the daemon did not start.
    QString address() const { return m_address; }
    // Connects this process to the bus under a connection name not used
    // before (the portal registers an application once per connection, and
    // each new bus hands out the same unique names again); empty when it
    // could not. The connection closes with the bus.
    QString connect(const QString& prefix);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ChildProcess> m_daemon;
    QString m_address;
    QStringList m_connections;
};

} // namespace quillbox::testing
