#include "capture/ClipboardMonitor.h"

#include "capture/ClipboardParser.h"
#include "capture/NotificationCenter.h"
#include "capture/SourceAppResolver.h"
#include "content/AppConstants.h"
#include "history/HistoryStore.h"
#include "ports/Pasteboard.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace quillbox {

ClipboardMonitor::ClipboardMonitor(Pasteboard& pasteboard, HistoryStore& store,
                                   SourceAppResolver& resolver, NotificationCenter& notifications,
                                   std::function<void()> playCopySound, QObject* parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_store(store)
    , m_resolver(resolver)
    , m_notifications(notifications)
    , m_playCopySound(std::move(playCopySound)) {
    takeBaseline();
}

ClipboardMonitor::~ClipboardMonitor() {
    stop();
}

struct ClipboardMonitor::Tick {
    std::optional<AppInfo> app;
    bool hasPlayedSound = false;
};

void ClipboardMonitor::start() {
    if (m_isRunning)
        return;
    takeBaseline();
    m_isRunning = true;
    if (m_pasteboard.notifiesChanges()) {
        m_pasteboard.onContentsChanged = [this] { scheduleTick(); };
        return;
    }
    m_timer = new QTimer(this);
    m_timer->setInterval(pollInterval);
    // A coarse timer may fire up to 5% of the interval (25 ms) off, well within
    // the 100 ms of slack polling allows, and lets the system batch wake-ups.
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &ClipboardMonitor::checkForChanges);
    m_timer->start();
}

void ClipboardMonitor::stop() {
    if (!m_isRunning)
        return;
    m_isRunning = false;
    m_pasteboard.onContentsChanged = nullptr;
    delete m_timer;
    m_timer = nullptr;
}

void ClipboardMonitor::scheduleTick() {
    if (m_isTickScheduled)
        return;
    m_isTickScheduled = true;
    // Not within the change itself: the pasteboard is in the middle of it, and
    // a tick may write to the clipboard (the Paste Stack's next item).
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_isTickScheduled = false;
            if (m_isRunning)
                checkForChanges();
        },
        Qt::QueuedConnection);
}

void ClipboardMonitor::setPaused(bool paused) {
    if (m_isPaused && !paused)
        takeBaseline();
    m_isPaused = paused;
}

void ClipboardMonitor::takeBaseline() {
    // What is there now was not recorded by this monitor.
    m_lastRecordedContents.reset();
    m_lastChangeCount = m_pasteboard.changeCount();
    // Everything queued so far is at or before the baseline.
    m_pasteboard.takePendingChanges();
}

void ClipboardMonitor::checkForChanges() {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (m_isPaused) {
        // Copies made during a pause are never recorded; dropping them at
        // each tick keeps a long pause from holding on to them.
        m_pasteboard.takePendingChanges();
        if (m_pasteboard.changeCount() != m_lastChangeCount)
            m_lastRecordedContents.reset();
        return;
    }
    const qint64 changeCount = m_pasteboard.changeCount();
    if (changeCount == m_lastChangeCount)
        return;
    // Remembered before any test, so a change that is skipped or fails is
    // never examined again.
    const qint64 previous = m_lastChangeCount;
    m_lastChangeCount = changeCount;

    auto changes = m_pasteboard.takePendingChanges();
    // The queue may still hold the change last seen (the baseline) and those
    // before it; only what came after is new.
    for (qsizetype i = changes.size(); i-- > 0;) {
        if (changes.at(i)->changeCount() == previous) {
            changes.remove(0, i + 1);
            break;
        }
    }
    Tick tick;
    if (changes.isEmpty()) {
        // No record of the changes in between: the contents now stand for them.
        examine(m_pasteboard, tick);
        return;
    }
    for (const auto& change : changes)
        examine(*change, tick);
}

void ClipboardMonitor::examine(const Pasteboard& contents, Tick& tick) {
    const auto offered = contents.types();
    if (!offered)
        return; // nobody holds the clipboard: nothing was copied
    const QStringList& types = *offered;
    if (types.contains(AppConstants::internalPasteboardType))
        return;
    m_lastRecordedContents.reset();
    if (ClipboardParser::shouldIgnore(types))
        return;
    // The application in front at the tick stands in for the one that copied.
    if (!tick.app)
        tick.app = m_resolver.currentApp();
    if (m_store.isAppExcluded(tick.app->bundleID))
        return;
    const auto content = ClipboardParser::parse(contents);
    if (!content)
        return;

    const ClipboardItemPtr item = m_store.record(*content, tick.app->bundleID, tick.app->name);
    m_lastRecordedContents = item;
    // One sound for a burst of copies recorded at one tick.
    if (m_playCopySound && !tick.hasPlayedSound)
        m_playCopySound();
    tick.hasPlayedSound = true;
    if (onCapture)
        onCapture(item);
    m_notifications.postClipboardDidChange(item);
}

} // namespace quillbox
