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
    , m_playCopySound(std::move(playCopySound))
    , m_lastChangeCount(pasteboard.changeCount()) {
}

ClipboardMonitor::~ClipboardMonitor() = default;

void ClipboardMonitor::start() {
    if (m_timer)
        return;
    m_lastChangeCount = m_pasteboard.changeCount();
    m_timer = new QTimer(this);
    m_timer->setInterval(pollInterval);
    // A coarse timer may fire up to 5% of the interval (25 ms) off, well within
    // the 100 ms of slack polling allows, and lets the system batch wake-ups.
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &ClipboardMonitor::checkForChanges);
    m_timer->start();
}

void ClipboardMonitor::stop() {
    delete m_timer;
    m_timer = nullptr;
}

void ClipboardMonitor::checkForChanges() {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (m_isPaused)
        return;
    const qint64 changeCount = m_pasteboard.changeCount();
    if (changeCount == m_lastChangeCount)
        return;
    // Remembered before any test, so a change that is skipped or fails is
    // never examined again.
    m_lastChangeCount = changeCount;

    const QStringList types = m_pasteboard.types().value_or(QStringList());
    if (types.contains(AppConstants::internalPasteboardType))
        return;
    if (ClipboardParser::shouldIgnore(types))
        return;
    // The application in front at the tick stands in for the one that copied.
    const AppInfo app = m_resolver.currentApp();
    if (m_store.isAppExcluded(app.bundleID))
        return;
    const auto content = ClipboardParser::parse(m_pasteboard);
    if (!content)
        return;

    const ClipboardItemPtr item = m_store.record(*content, app.bundleID, app.name);
    if (m_playCopySound)
        m_playCopySound();
    if (onCapture)
        onCapture(item);
    m_notifications.postClipboardDidChange(item);
}

} // namespace quillbox
