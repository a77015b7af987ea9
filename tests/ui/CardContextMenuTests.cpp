#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "ui/CardContextMenu.h"

#include <QImage>
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

    // The entries joined by "|".
    const auto menu = [&](ClipboardItemPtr item, QList<PinboardPtr> pinboards,
                          PinboardPtr current) {
        const std::unique_ptr<QMenu> shown(
            CardContextMenu::create({item, pinboards, current, &store, nullptr, nullptr}));
        return entries(*shown).join(u'|');
    };
    EXPECT_EQ(menu(text, {}, {}), u"Paste|Paste as Plain Text|Copy|-|Pin|Add to Pinboard|"
                                  u">(Create pinboards in Settings)|-|Delete"_qs);
    EXPECT_EQ(menu(pinned, {work, home}, work),
              u"Paste|Paste as Plain Text|Copy|-|Unpin|Add to Pinboard|>Work && Play|>Home|"
              u"Remove from Work && Play|-|Delete"_qs);
    // Already a member of Home.
    EXPECT_EQ(menu(text, {work, home}, {}),
              u"Paste|Paste as Plain Text|Copy|-|Pin|Add to Pinboard|>Work && Play|>(Home)|-|"
              u"Delete"_qs);
    // An image has no plain text.
    EXPECT_EQ(menu(image, {}, {}), u"Paste|(Paste as Plain Text)|Copy|-|Pin|Add to Pinboard|"
                                   u">(Create pinboards in Settings)|-|Delete"_qs);
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

// Drawn, not only flagged: red shows on the "Delete" line and nowhere else.
TEST(CardContextMenu, OnlyDeleteIsDrawnAsDestructive) {
    HistoryStore store(StoreContainer::makeInMemory());
    const auto item = store.record(textContent(u"words"_qs), {}, {});
    const auto work = store.createPinboard(u"Work"_qs, u"#FF0000"_qs, 0);
    const std::unique_ptr<QMenu> menu(
        CardContextMenu::create({item, {work}, work, &store, nullptr, nullptr}));
    menu->popup(QPoint(40, 40));
    ASSERT_TRUE(waitUntil([&] { return menu->isVisible(); }));
    serveFor(std::chrono::milliseconds(100));
    const QImage drawn = menu->grab().toImage();
    const auto redPixels = [&](const QRect& line) {
        int count = 0;
        for (int y = line.top(); y <= line.bottom(); ++y)
            for (int x = line.left(); x <= line.right(); ++x) {
                const QColor pixel = drawn.pixelColor(x, y);
                count += pixel.red() > 200 && pixel.green() < 150 && pixel.blue() < 150;
            }
        return count;
    };
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const int red = redPixels(menu->actionGeometry(action));
        if (action->objectName() == u"deleteAction"_qs)
            EXPECT_GT(red, 20) << "Delete is not drawn in red";
        else
            EXPECT_EQ(red, 0) << action->text().toStdString();
    }
}
