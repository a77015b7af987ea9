#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

namespace quillbox {

class AccessProbe;

// Tracks whether Quillbox may post synthetic keys and watch other
// applications' keys, asks the desktop for it, and polls until it is granted
// or for as long as a person takes to answer the desktop's prompt: where the
// desktop never grants it, polling would otherwise wake the program for
// ever. Each paste asks again. The change signal fires only when the state
// actually changes.
class AccessibilityManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isAccessibilityGranted READ isAccessibilityGranted NOTIFY
                   isAccessibilityGrantedChanged)
public:
    static constexpr std::chrono::milliseconds checkInterval{2000};
    // Two minutes at the real interval.
    static constexpr int checksBeforeGivingUp = 60;

    // The initial state is the probe's answer at creation. The interval is
    // only shortened by tests.
    explicit AccessibilityManager(AccessProbe& probe, QObject* parent = nullptr);
    AccessibilityManager(AccessProbe& probe, std::chrono::milliseconds interval,
                         QObject* parent = nullptr);

    bool isAccessibilityGranted() const { return m_isGranted; }
    // Whether a grant is being awaited by polling.
    bool isPolling() const { return m_checkTimer.isActive(); }

    // Asks the desktop for the current state.
    void checkAccess();
    // Asks the desktop to grant access (its prompt, where it has one), then
    // polls until the grant is seen.
    void requestAccess();
    // (Re)starts polling every checkInterval; polling stops once granted, or
    // after checksBeforeGivingUp checks without a grant.
    void startPeriodicCheck();

Q_SIGNALS:
    void isAccessibilityGrantedChanged(bool granted);

private:
    void setGranted(bool granted);
    void poll();

    AccessProbe& m_probe;
    bool m_isGranted = false;
    int m_checksLeft = 0;
    // A child of the manager: it cannot outlive it, so a firing never reaches
    // a destroyed manager.
    QTimer m_checkTimer;
};

} // namespace quillbox
