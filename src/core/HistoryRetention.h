#pragma once

#include <QObject>

class QTimer;
#include <chrono>

namespace quillbox {

class HistoryStore;
class Preferences;

// Removes items older than the retention the preferences set, at start and
// then every interval. The preference is read again at each pass, so a
// change made in the meantime applies at the next one.
class HistoryRetention : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds interval{3600};

    HistoryRetention(HistoryStore& store, Preferences& preferences, QObject* parent = nullptr);

    // Prunes now, then every interval.
    void start();
    void stop();
    bool isRunning() const;
    // Removes what the current retention no longer keeps; returns how many.
    int prune();

private:
    HistoryStore& m_store;
    Preferences& m_preferences;
    QTimer* m_timer;
};

} // namespace quillbox
