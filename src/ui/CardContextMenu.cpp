#include "ui/CardContextMenu.h"

#include "core/PasteService.h"
#include "history/HistoryStore.h"
#include "ui/PanelGlyphs.h"
#include "ui/PanelMenuStyle.h"

#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace quillbox {

namespace {

// "&" marks a mnemonic in menu texts; doubled, it shows as itself.
QString menuText(QString text) {
    return text.replace(u'&', QStringLiteral("&&"));
}

template <typename Function>
QAction* addAction(QMenu* menu, const QString& text, const QString& objectName, QObject* context,
                   Function function) {
    QAction* action = menu->addAction(text);
    action->setObjectName(objectName);
    QObject::connect(action, &QAction::triggered, context, function);
    return action;
}

// The red bin beside "Delete", drawn so it shows with any icon theme or none.
QIcon deleteIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        drawPanelGlyph(painter, PanelGlyph::trash, QRectF(0, 0, size, size),
                       PanelMenuStyle::destructiveColor());
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QMenu* CardContextMenu::create(const Context& context, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("cardContextMenu"));
    const ClipboardItemPtr item = context.item;
    const QPointer<HistoryStore> store(context.store);
    const QPointer<PasteService> pasteService(context.pasteService);
    const auto onPaste = context.onPaste;

    addAction(menu, QStringLiteral("Paste"), QStringLiteral("pasteAction"), menu, [onPaste] {
        if (onPaste)
            onPaste(false);
    });
    QAction* plain = addAction(menu, QStringLiteral("Paste as Plain Text"),
                               QStringLiteral("pasteAsPlainTextAction"), menu, [onPaste] {
                                   if (onPaste)
                                       onPaste(true);
                               });
    plain->setEnabled(item && item->hasPlainText());
    addAction(menu, QStringLiteral("Copy"), QStringLiteral("copyAction"), menu,
              [pasteService, item] {
                  if (pasteService && item)
                      pasteService->copy(item, false);
              });
    menu->addSeparator();

    const bool isPinned = item && item->isPinned();
    addAction(menu, isPinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"),
              QStringLiteral("pinAction"), menu, [store, item] {
                  if (store && item)
                      store->togglePin(item);
              });

    QMenu* pinboards = menu->addMenu(QStringLiteral("Add to Pinboard"));
    pinboards->setObjectName(QStringLiteral("addToPinboardMenu"));
    if (context.pinboards.isEmpty()) {
        QAction* hint = pinboards->addAction(QStringLiteral("Create pinboards in Settings"));
        hint->setObjectName(QStringLiteral("createPinboardsHint"));
        hint->setEnabled(false);
    }
    for (const PinboardPtr& pinboard : context.pinboards) {
        // The pinboard's own name, untranslated.
        QAction* add =
            addAction(pinboards, menuText(pinboard->name()), QStringLiteral("addToPinboardAction"),
                      menu, [store, item, pinboard] {
                          if (store && item)
                              store->add(item, pinboard);
                      });
        add->setData(pinboard->id());
        add->setEnabled(!(context.store && item && context.store->contains(item, pinboard)));
    }

    if (const PinboardPtr current = context.currentPinboard) {
        addAction(menu, menuText(QStringLiteral("Remove from ") + current->name()),
                  QStringLiteral("removeFromPinboardAction"), menu, [store, item, current] {
                      if (store && item)
                          store->remove(item, current);
                  });
    }
    menu->addSeparator();

    QAction* remove = addAction(menu, QStringLiteral("Delete"), QStringLiteral("deleteAction"),
                                menu, [store, item] {
                                    if (store && item)
                                        store->deleteItem(item);
                                });
    // The destructive entry: red text beside a red bin.
    PanelMenuStyle::setDestructive(*remove);
    remove->setIcon(deleteIcon());
    PanelMenuStyle::apply(*menu, context.hints);
    return menu;
}

} // namespace quillbox
