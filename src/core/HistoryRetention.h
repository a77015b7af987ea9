#pragma once

#include <QObject>
#include <chrono>
#include <optional>

class QTimer;

namespace quillbox {

class HistoryStore;
class Preferences;

// Removes items older than the retention the preferences set: at start, then
// each time the oldest item that may go comes due, so that nothing wakes the
// program while nothing expires. The preference is read again at each pass,
// and a change of it, a pin taken off or a first item after an empty history
// sets the next pass again.
class HistoryRetention : public QObject {
    Q_OBJECT
public:
    // The longest single wait: a due time further off is waited for in steps.
    static constexpr std::chrono::hours longestWait{24 * 20};

    HistoryRetention(HistoryStore& store, Preferences& preferences, QObject* parent = nullptr);

    // Prunes now, then whenever an item comes due.
    void start();
    void stop();
    bool isRunning() const { return m_isRunning; }
    // Removes what the current retention no longer keeps; returns how many.
    int prune();
    // How long until the next pass, or none while no item can expire.
    std::optional<std::chrono::milliseconds> nextPassIn() const;

private:
    void scheduleNextPass();

    HistoryStore& m_store;
    Preferences& m_preferences;
    QTimer* m_timer;
    bool m_isRunning = false;
};

} // namespace quillbox
