#pragma once

#include <QObject>

namespace quillbox {

class ClipboardMonitor;
class HistoryStore;
class Pasteboard;
class Preferences;

// Keeps the clipboard when the application that held it quits: on Linux the
// contents live in that application and go with it. Quillbox then offers the
// same contents itself, from the item it recorded of them, so the next paste
// still works. Only what was recorded comes back (the newest item, and still
// the newest): content kept out of the history (flagged by its owner, from an
// excluded application, copied while paused) is never offered, nor an older
// item in its place. Offering it again records nothing, moves nothing and
// plays no sound. Main thread.
class ClipboardKeeper : public QObject {
    Q_OBJECT
public:
    ClipboardKeeper(Pasteboard& pasteboard, ClipboardMonitor& monitor, HistoryStore& store,
                    Preferences& preferences, QObject* parent = nullptr);
    ~ClipboardKeeper() override;

    bool isEnabled() const;
    // Tells the clipboard whether its contents are kept now: call when
    // recording pauses or resumes.
    void refresh();

    // The clipboard's owner went away and left it empty.
    void ownerVanished();

private:
    Pasteboard& m_pasteboard;
    ClipboardMonitor& m_monitor;
    HistoryStore& m_store;
    Preferences& m_preferences;
    bool m_isQuitting = false;
};

} // namespace quillbox
