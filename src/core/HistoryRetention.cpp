#include "core/HistoryRetention.h"

#include "content/AppConstants.h"
#include "content/Logging.h"
#include "content/Preferences.h"
#include "history/HistoryStore.h"

#include <QDateTime>
#include <QTimer>
#include <algorithm>

namespace quillbox {

namespace {

// An item is due once it is older than the retention; the pass comes a little
// after, so that a timer firing early (a very coarse one may, by up to half a
// second) still finds it due, and a pass that finds nothing never repeats at
// once.
constexpr std::chrono::seconds passMargin{1};

} // namespace

HistoryRetention::HistoryRetention(HistoryStore& store, Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_preferences(preferences)
    , m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::VeryCoarseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] {
        prune();
        scheduleNextPass();
    });
    connect(&m_preferences, &Preferences::valueChanged, this, [this](const QString& key) {
        if (key == AppConstants::Keys::retentionDays)
            scheduleNextPass();
    });
    // A first item after none that could expire; a pin taken off or an item
    // taken out of a pinboard may bring an older one due. Other changes only
    // make the next pass find less to do.
    connect(&m_store, &HistoryStore::itemInserted, this, [this] {
        if (!m_timer->isActive())
            scheduleNextPass();
    });
    connect(&m_store, &HistoryStore::itemChanged, this, &HistoryRetention::scheduleNextPass);
    connect(&m_store, &HistoryStore::pinboardsChanged, this, &HistoryRetention::scheduleNextPass);
}

void HistoryRetention::start() {
    m_isRunning = true;
    prune();
    scheduleNextPass();
}

void HistoryRetention::stop() {
    m_isRunning = false;
    m_timer->stop();
}

int HistoryRetention::prune() {
    const int retentionDays = m_preferences.intValue(AppConstants::Keys::retentionDays);
    const int removed = m_store.pruneHistory(retentionDays, QDateTime::currentDateTimeUtc());
    if (removed > 0)
        qCInfo(lcApp) << "Quillbox: removed" << removed << "items older than" << retentionDays
                      << "days";
    return removed;
}

std::optional<std::chrono::milliseconds> HistoryRetention::nextPassIn() const {
    const int retentionDays = m_preferences.intValue(AppConstants::Keys::retentionDays);
    if (retentionDays < 1)
        return std::nullopt; // kept for ever
    const auto oldest = m_store.oldestPrunableCopyTime();
    if (!oldest)
        return std::nullopt;
    // Whole days of 86,400 seconds, as pruning counts them.
    const std::chrono::milliseconds due{oldest->toMSecsSinceEpoch() +
                                        qint64(retentionDays) * 86'400'000 -
                                        QDateTime::currentMSecsSinceEpoch()};
    return std::clamp<std::chrono::milliseconds>(due + passMargin, passMargin, longestWait);
}

void HistoryRetention::scheduleNextPass() {
    if (!m_isRunning)
        return;
    if (const auto wait = nextPassIn())
        m_timer->start(*wait);
    else
        m_timer->stop();
}

} // namespace quillbox
