#pragma once

#include "history/ClipboardItem.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>

class QTimer;

namespace quillbox {

class HistoryStore;
class NotificationCenter;
class Pasteboard;
class SourceAppResolver;

// Watches the clipboard and records each new piece of content, every change
// since the last tick in turn: unless paused, written by Quillbox itself,
// marked confidential or transient by another application, or copied in an
// excluded application. A tick runs as soon as the pasteboard tells of a
// change (soon after, from the event loop, so that a burst handed over at
// once is one tick), and never while nothing changes; only a pasteboard that
// cannot tell of changes is polled. One per process, owned by the
// application services.
class ClipboardMonitor : public QObject {
    Q_OBJECT
public:
    // How often a pasteboard that cannot tell of changes is looked at.
    static constexpr std::chrono::milliseconds pollInterval{500};

    // playCopySound plays the capture sound when the user has sounds on.
    ClipboardMonitor(Pasteboard& pasteboard, HistoryStore& store, SourceAppResolver& resolver,
                     NotificationCenter& notifications, std::function<void()> playCopySound,
                     QObject* parent = nullptr);
    ~ClipboardMonitor() override;

    // Begins watching; does nothing when already watching. What is on the
    // clipboard at that moment is not recorded.
    void start();
    // Ends watching; start() begins it again.
    void stop();
    bool isRunning() const { return m_isRunning; }

    // While paused, ticks record nothing (changes still bring them) and the
    // changes queued meanwhile are dropped; resuming takes the clipboard as
    // it is then as the new starting point, so nothing copied during the
    // pause is ever recorded.
    bool isPaused() const { return m_isPaused; }
    void setPaused(bool paused);

    qint64 lastChangeCount() const { return m_lastChangeCount; }
    void setLastChangeCount(qint64 count) { m_lastChangeCount = count; }

    // The item the newest change with contents was recorded as, while it is
    // what the clipboard held last; none when that change was not recorded
    // (paused, flagged, excluded, unreadable). Quillbox's own writes and
    // changes that leave nobody holding the clipboard leave it as it is.
    ClipboardItemPtr lastRecordedContents() const { return m_lastRecordedContents; }

    // Called with each recorded item (the Paste Stack feed).
    std::function<void(const ClipboardItemPtr&)> onCapture;

    // One tick: examines each change of the clipboard since the last tick
    // once, oldest first, and records those that may be recorded.
    void checkForChanges();

private:
    // What the tick found so far: the application in front, asked at most
    // once per tick, and whether the capture sound has played.
    struct Tick;

    void takeBaseline();
    // Runs a tick from the event loop, once however many changes ask for it
    // before then.
    void scheduleTick();
    void examine(const Pasteboard& contents, Tick& tick);

    Pasteboard& m_pasteboard;
    HistoryStore& m_store;
    SourceAppResolver& m_resolver;
    NotificationCenter& m_notifications;
    std::function<void()> m_playCopySound;
    bool m_isPaused = false;
    ClipboardItemPtr m_lastRecordedContents;
    qint64 m_lastChangeCount = 0;
    bool m_isRunning = false;
    bool m_isTickScheduled = false;
    // Present while polling a pasteboard that cannot tell of changes; a
    // child, so it dies with the monitor.
    QTimer* m_timer = nullptr;
};

} // namespace quillbox
