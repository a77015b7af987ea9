#include "core/StackPasteMatcher.h"

#include <QTimer>

namespace quillbox {

StackPasteMatcher::StackPasteMatcher(bool seesReads, std::function<void()> advance, QObject* parent)
    : QObject(parent)
    , m_seesReads(seesReads)
    , m_advance(std::move(advance)) {
}

void StackPasteMatcher::dropOlderThan(std::deque<Clock::time_point>& times,
                                      Clock::time_point limit) {
    while (!times.empty() && times.front() < limit)
        times.pop_front();
}

void StackPasteMatcher::pastePressed(Clock::time_point now) {
    if (!m_seesReads) {
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, timer] {
            std::erase(m_delayedMoves, timer);
            timer->deleteLater();
            m_advance();
        });
        m_delayedMoves.push_back(timer);
        timer->start(advanceDelay);
        return;
    }
    dropOlderThan(m_reads, now - readWaitsForPress);
    if (!m_reads.empty()) {
        m_reads.pop_front();
        m_advance();
        return;
    }
    m_presses.push_back(now);
}

void StackPasteMatcher::offerRead(Clock::time_point now) {
    if (!m_seesReads)
        return;
    dropOlderThan(m_presses, now - pressWaitsForRead);
    if (!m_presses.empty()) {
        m_presses.pop_front();
        m_advance();
        return;
    }
    m_reads.push_back(now);
}

void StackPasteMatcher::reset() {
    m_presses.clear();
    m_reads.clear();
    for (QTimer* timer : m_delayedMoves)
        delete timer;
    m_delayedMoves.clear();
}

} // namespace quillbox
