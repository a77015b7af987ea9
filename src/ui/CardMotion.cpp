#include "ui/CardMotion.h"

#include <QEasingCurve>
#include <algorithm>

namespace quillbox {

namespace {
constexpr int frameMs = 16;

qreal mix(qreal from, qreal to, qreal t) {
    return from + (to - from) * t;
}
} // namespace

CardMotion::CardMotion(QObject* parent)
    : QObject(parent) {
    m_clock.start();
    m_ticker.setInterval(frameMs);
    m_ticker.setTimerType(Qt::PreciseTimer);
    connect(&m_ticker, &QTimer::timeout, this, &CardMotion::tick);
}

CardPose CardMotion::at(const Motion& motion, qint64 nowMs) {
    const qreal progress =
        std::clamp(qreal(nowMs - motion.startMs) / qreal(duration.count()), 0.0, 1.0);
    static const QEasingCurve easeOut(QEasingCurve::OutCubic);
    const qreal t = easeOut.valueForProgress(progress);
    return {mix(motion.from.lift, motion.to.lift, t),
            mix(motion.from.emphasis, motion.to.emphasis, t)};
}

void CardMotion::move(const QUuid& id, CardPose from, CardPose to) {
    const qint64 now = m_clock.elapsed();
    // A card turned back halfway sets off from where it stands.
    const CardPose start = pose(id, from);
    if (start == to) {
        m_motions.remove(id);
        return;
    }
    m_motions.insert(id, Motion{start, to, now});
    if (!m_ticker.isActive())
        m_ticker.start();
}

CardPose CardMotion::pose(const QUuid& id, CardPose settled) const {
    const auto it = m_motions.constFind(id);
    return it == m_motions.cend() ? settled : at(*it, m_clock.elapsed());
}

void CardMotion::stopAll() {
    m_motions.clear();
    m_ticker.stop();
}

void CardMotion::tick() {
    const qint64 now = m_clock.elapsed();
    QList<QUuid> ids;
    ids.reserve(m_motions.size());
    for (auto it = m_motions.begin(); it != m_motions.end();) {
        ids.append(it.key());
        if (now - it->startMs >= duration.count())
            it = m_motions.erase(it);
        else
            ++it;
    }
    if (m_motions.isEmpty())
        m_ticker.stop();
    Q_EMIT moved(ids);
}

} // namespace quillbox
