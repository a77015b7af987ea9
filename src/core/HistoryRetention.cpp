#include "core/HistoryRetention.h"

#include "content/AppConstants.h"
#include "content/Logging.h"
#include "content/Preferences.h"
#include "history/HistoryStore.h"

#include <QDateTime>
#include <QTimer>

namespace quillbox {

HistoryRetention::HistoryRetention(HistoryStore& store, Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_preferences(preferences)
    , m_timer(new QTimer(this)) {
    m_timer->setInterval(interval);
    m_timer->setTimerType(Qt::VeryCoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &HistoryRetention::prune);
}

void HistoryRetention::start() {
    prune();
    m_timer->start();
}

void HistoryRetention::stop() {
    m_timer->stop();
}

bool HistoryRetention::isRunning() const {
    return m_timer->isActive();
}

int HistoryRetention::prune() {
    const int retentionDays = m_preferences.intValue(AppConstants::Keys::retentionDays);
    const int removed = m_store.pruneHistory(retentionDays, QDateTime::currentDateTimeUtc());
    if (removed > 0)
        qCInfo(lcApp) << "Quillbox: removed" << removed << "items older than" << retentionDays
                      << "days";
    return removed;
}

} // namespace quillbox
