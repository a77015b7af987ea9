#include "core/AccessibilityManager.h"

#include "ports/AccessProbe.h"

namespace quillbox {

AccessibilityManager::AccessibilityManager(AccessProbe& probe, QObject* parent)
    : AccessibilityManager(probe, checkInterval, parent) {
}

AccessibilityManager::AccessibilityManager(AccessProbe& probe, std::chrono::milliseconds interval,
                                           QObject* parent)
    : QObject(parent)
    , m_probe(probe)
    , m_isGranted(probe.isGranted())
    , m_checkTimer(this) {
    m_checkTimer.setInterval(interval);
    m_checkTimer.setSingleShot(false);
    connect(&m_checkTimer, &QTimer::timeout, this, &AccessibilityManager::poll);
}

void AccessibilityManager::checkAccess() {
    setGranted(m_probe.isGranted());
}

void AccessibilityManager::requestAccess() {
    // Where the desktop grants at once (plain X11), the state shows now
    // rather than at the first poll.
    setGranted(m_probe.requestAccess());
    startPeriodicCheck();
}

void AccessibilityManager::startPeriodicCheck() {
    // start() on a running timer restarts its cycle.
    m_checksLeft = checksBeforeGivingUp;
    m_checkTimer.start();
}

void AccessibilityManager::poll() {
    setGranted(m_probe.isGranted());
    if (m_isGranted || --m_checksLeft <= 0)
        m_checkTimer.stop();
}

void AccessibilityManager::setGranted(bool granted) {
    if (granted == m_isGranted)
        return;
    m_isGranted = granted;
    Q_EMIT isAccessibilityGrantedChanged(granted);
}

} // namespace quillbox
