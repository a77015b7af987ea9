#pragma once

#include <QObject>
#include <chrono>
#include <deque>
#include <functional>

class QTimer;

namespace quillbox {

// Tells when the Paste Stack's current item has been pasted, so the stack
// moves on exactly once per paste however fast the presses come.
//
// Where the pasteboard reports reads of Quillbox's own offer, a paste is a
// press of the paste key matched with the read it causes. The two arrive on
// different connections, so they are matched in either order: a read waits
// briefly for its press, a press waits longer for its read (the application
// may be busy). A press that brings no read (a terminal that takes Ctrl+V as
// a character) pastes nothing and moves nothing; a read without a press (a
// menu's Paste, another clipboard tool) does not move the stack either.
//
// Where reads cannot be seen, each press moves the stack on after a fixed
// delay, long enough for the application to have taken the item.
class StackPasteMatcher : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    // A press is matched with a read at most this long after it.
    static constexpr std::chrono::milliseconds pressWaitsForRead{2000};
    // A read is matched with a press at most this long after it.
    static constexpr std::chrono::milliseconds readWaitsForPress{150};
    // Without reads: from a press to the move.
    static constexpr std::chrono::milliseconds advanceDelay{250};

    StackPasteMatcher(bool seesReads, std::function<void()> advance, QObject* parent = nullptr);

    void pastePressed() { pastePressed(Clock::now()); }
    void offerRead() { offerRead(Clock::now()); }
    // Forgets what is waiting: a run ended or began.
    void reset();

    // With the time given (tests).
    void pastePressed(Clock::time_point now);
    void offerRead(Clock::time_point now);

private:
    static void dropOlderThan(std::deque<Clock::time_point>& times, Clock::time_point limit);

    bool m_seesReads;
    std::function<void()> m_advance;
    std::deque<Clock::time_point> m_presses;
    std::deque<Clock::time_point> m_reads;
    // Without reads, one delayed move per press still to come.
    std::deque<QTimer*> m_delayedMoves;
};

} // namespace quillbox
