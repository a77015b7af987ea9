#include "TestContent.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "ui/CardContextMenu.h"

#include <QMenu>
#include <gtest/gtest.h>
#include <memory>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

// The menu as its entries read: "-" for a separator, "(…)" around a disabled
// entry, the submenu's entries after ">".
QStringList entries(const QMenu& menu) {
    QStringList result;
    for (QAction* action : menu.actions()) {
        QString text = action->isSeparator() ? u"-"_qs : action->text();
        if (!action->isEnabled())
            text = u"("_qs + text + u")"_qs;
        result << text;
        if (action->menu()) {
            for (const QString& entry : entries(*action->menu()))
                result << u">"_qs + entry;
        }
    }
    return result;
}

QAction* find(QMenu& menu, const QString& objectName, const QString& text = {}) {
    for (QAction* action : menu.findChildren<QAction*>(objectName)) {
        if (text.isEmpty() || action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

TEST(CardContextMenu, EntriesFollowThePinStateThePinboardsAndTheTabInForce) {
    HistoryStore store(StoreContainer::makeInMemory());
    const auto text = store.record(textContent(u"words"_qs), {}, {});
    const auto image = store.record(imageContent(solidPng(Qt::red)), {}, {});
    const auto pinned = store.record(textContent(u"kept"_qs), {}, {});
    store.togglePin(pinned);
    const auto work = store.createPinboard(u"Work & Play"_qs, u"#FF0000"_qs, 0);
    const auto home = store.createPinboard(u"Home"_qs, u"#00FF00"_qs, 1);
    store.add(text, home);

    const struct {
        const char* name;
        ClipboardItemPtr item;
        QList<PinboardPtr> pinboards;
        PinboardPtr current;
        QStringList expected;
    } cases[] = {
        {"no pinboards",
         text,
         {},
         {},
         {u"Paste"_qs, u"Paste as Plain Text"_qs, u"Copy"_qs, u"-"_qs, u"Pin"_qs,
          u"Add to Pinboard"_qs, u">(Create pinboards in Settings)"_qs, u"-"_qs, u"Delete"_qs}},
        {"pinned, a pinboard tab in force",
         pinned,
         {work, home},
         work,
         {u"Paste"_qs, u"Paste as Plain Text"_qs, u"Copy"_qs, u"-"_qs, u"Unpin"_qs,
          u"Add to Pinboard"_qs, u">Work && Play"_qs, u">Home"_qs, u"Remove from Work && Play"_qs,
          u"-"_qs, u"Delete"_qs}},
        {"member of a pinboard",
         text,
         {work, home},
         {},
         {u"Paste"_qs, u"Paste as Plain Text"_qs, u"Copy"_qs, u"-"_qs, u"Pin"_qs,
          u"Add to Pinboard"_qs, u">Work && Play"_qs, u">(Home)"_qs, u"-"_qs, u"Delete"_qs}},
        {"image without plain text",
         image,
         {},
         {},
         {u"Paste"_qs, u"(Paste as Plain Text)"_qs, u"Copy"_qs, u"-"_qs, u"Pin"_qs,
          u"Add to Pinboard"_qs, u">(Create pinboards in Settings)"_qs, u"-"_qs, u"Delete"_qs}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<QMenu> menu(
            CardContextMenu::create({c.item, c.pinboards, c.current, &store, nullptr, nullptr}));
        EXPECT_EQ(entries(*menu), c.expected) << c.name;
    }
}

TEST(CardContextMenu, ActionsReachTheStoreAndThePasteCallback) {
    HistoryStore store(StoreContainer::makeInMemory());
    const auto item = store.record(textContent(u"words"_qs), {}, {});
    const auto work = store.createPinboard(u"Work"_qs, u"#FF0000"_qs, 0);
    QList<bool> pastes;
    const auto menuFor = [&](PinboardPtr current = {}) {
        return std::unique_ptr<QMenu>(CardContextMenu::create(
            {item, {work}, current, &store, nullptr, [&](bool plain) { pastes << plain; }}));
    };

    auto menu = menuFor();
    find(*menu, u"pasteAction"_qs)->trigger();
    find(*menu, u"pasteAsPlainTextAction"_qs)->trigger();
    EXPECT_EQ(pastes, (QList<bool>{false, true}));
    find(*menu, u"copyAction"_qs)->trigger(); // without a paste service: nothing, no crash

    find(*menu, u"pinAction"_qs)->trigger();
    EXPECT_TRUE(item->isPinned());
    EXPECT_EQ(find(*menuFor(), u"pinAction"_qs)->text(), u"Unpin"_qs);

    find(*menu, u"addToPinboardAction"_qs, u"Work"_qs)->trigger();
    EXPECT_TRUE(store.contains(item, work));
    EXPECT_FALSE(find(*menuFor(), u"addToPinboardAction"_qs, u"Work"_qs)->isEnabled());

    menu = menuFor(work);
    find(*menu, u"removeFromPinboardAction"_qs)->trigger();
    EXPECT_FALSE(store.contains(item, work));

    find(*menu, u"deleteAction"_qs)->trigger();
    EXPECT_FALSE(store.itemWithID(item->id()));
}
