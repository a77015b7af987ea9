#pragma once

#include "ChildProcess.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace quillbox::testing {

// A private session bus (dbus-daemon started by the test, ended by its
// process id) with no activatable services, so that the desktop's real
// portal is never started by a test; stand-ins take its names instead.
class PrivateBus {
public:
    PrivateBus();
    // Empty when the daemon did not start.
    QString address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ChildProcess> m_daemon;
    QString m_address;
};

} // namespace quillbox::testing
