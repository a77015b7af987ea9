#pragma once

#include "history/ClipboardItem.h"
#include "history/Pinboard.h"

#include <QList>
#include <functional>

class QMenu;
class QWidget;

namespace quillbox {

class HistoryStore;
class PasteService;
class WindowHints;

// The context menu of a history card: paste, paste as plain text, copy, pin,
// file into pinboards, remove from the pinboard shown, delete. Store changes
// go through the HistoryStore, which saves after each. It wears the panel's
// dark rounded look, with "Delete" marked as destructive.
class CardContextMenu {
public:
    struct Context {
        ClipboardItemPtr item;
        QList<PinboardPtr> pinboards; // in tab order
        PinboardPtr currentPinboard;  // the pinboard tab in force, if any
        HistoryStore* store = nullptr;
        PasteService* pasteService = nullptr; // "Copy" does nothing without one
        std::function<void(bool asPlainText)> onPaste;
        // Whether a compositor blends the menu's rounded corners; may be null.
        const WindowHints* hints = nullptr;
    };

    // A new menu for the item; the caller shows it and deletes it. The
    // actions hold the store and service weakly: after either is gone they
    // do nothing.
    static QMenu* create(const Context& context, QWidget* parent = nullptr);
};

} // namespace quillbox
