#pragma once

#include "history/ClipboardItem.h"
#include "ports/KeystrokeSender.h"
#include "ports/Pasteboard.h"

#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>

namespace quillbox {

class AccessibilityManager;
class HistoryStore;
class SoundManager;

// Puts a stored history item back on the clipboard, always with Quillbox's
// internal marker so the monitor does not record it again, and for a paste
// makes the application in front paste it. Main thread.
class PasteService : public QObject {
    Q_OBJECT
public:
    // Between writing the clipboard and the paste keystroke, so the write is
    // announced to other clients before the target asks for the contents.
    static constexpr std::chrono::milliseconds pasteKeystrokeDelay{150};

    // How far a paste got.
    enum class PasteOutcome {
        pasted,     // on the clipboard, and the paste keys went out
        copiedOnly, // on the clipboard, but no keys could be sent
        notCopied,  // the clipboard could not be set: nothing happened
    };
    using PasteDone = std::function<void(PasteOutcome)>;

    // What the user is told when a paste stops short: the clipboard could not
    // be set, or the item waits there for the user's own Ctrl+V.
    static QString clipboardRefusedText();
    static QString pasteByHandText();

    PasteService(Pasteboard& pasteboard, HistoryStore& store, KeystrokeSender& keystrokes,
                 AccessibilityManager& accessibility, SoundManager& sounds,
                 QObject* parent = nullptr);

    // The clipboard items that represent `item`, in order; the first carries
    // the internal marker.
    static QList<PasteboardItem> pasteboardItems(const ClipboardItem& item, bool asPlainText);

    // Replaces the contents of `pasteboard` with the item; answers whether
    // the clipboard now holds it.
    bool write(const ClipboardItem& item, bool asPlainText, Pasteboard& pasteboard);
    // Writes to the clipboard and moves the item to the front of the history;
    // false, with nothing moved, when the clipboard could not be set.
    bool copy(const ClipboardItemPtr& item, bool asPlainText);
    // Copies, plays the paste sound and, with the permission, sends the paste
    // keystroke pasteKeystrokeDelay later; without it, asks for the permission
    // and leaves the item on the clipboard for a manual paste. False, with no
    // sound and no keys, when the clipboard could not be set.
    //
    // `done` learns once how far the paste got (after the keys went out, or
    // could not). Without `done` a paste that stops short is logged and told
    // through pasteStoppedShort; the advice to paste by hand only once per
    // run of the program, since it stays true on a desktop without keys.
    bool paste(const ClipboardItemPtr& item, bool asPlainText, PasteDone done = {});
    // The paste keystroke, now.
    void simulateCommandV(KeystrokeSender::Outcome done = {});

Q_SIGNALS:
    // A paste nobody waited on stopped short; the text says what to do.
    void pasteStoppedShort(const QString& message);

private:
    void finishPaste(PasteOutcome outcome, const PasteDone& done);

    Pasteboard& m_pasteboard;
    HistoryStore& m_store;
    KeystrokeSender& m_keystrokes;
    AccessibilityManager& m_accessibility;
    SoundManager& m_sounds;
    bool m_hasAdvisedPasteByHand = false;
};

} // namespace quillbox
