#pragma once

#include "ui/CardPose.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <QUuid>
#include <chrono>

namespace quillbox {

// Eases cards between poses when their hover or selection changes: the one
// clock of the strip's card animations. Only cards in motion have an entry,
// and the clock runs only while one has.
class CardMotion : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds duration{150};

    explicit CardMotion(QObject* parent = nullptr);

    // Moves the card from the pose it shows now (`from` when it is not in
    // motion) to `to`.
    void move(const QUuid& id, CardPose from, CardPose to);
    // The card's pose now; `settled` when it is not in motion.
    CardPose pose(const QUuid& id, CardPose settled) const;
    bool isMoving(const QUuid& id) const { return m_motions.contains(id); }
    qsizetype movingCount() const { return m_motions.size(); }
    void stopAll();

Q_SIGNALS:
    // One frame of the cards in motion; those that arrived are included once
    // and then no longer moving.
    void moved(const QList<QUuid>& ids);

private:
    struct Motion {
        CardPose from;
        CardPose to;
        qint64 startMs = 0;
    };

    static CardPose at(const Motion& motion, qint64 nowMs);
    void tick();

    QHash<QUuid, Motion> m_motions;
    QElapsedTimer m_clock;
    QTimer m_ticker;
};

} // namespace quillbox
