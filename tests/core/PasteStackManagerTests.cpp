// The edges of a Paste Stack run. The order of a run, its end after the last
// paste and a copy outside a run are also proven through the application's
// services and end to end.
#include "core/PasteStackManager.h"
#include "history/ClipboardItem.h"

#include <gtest/gtest.h>

using namespace quillbox;

namespace {

ClipboardItemPtr textItem(const QString& text) {
    return std::make_shared<ClipboardItem>(text.toUtf8(), text, std::nullopt,
                                           u"public.utf8-plain-text"_qs, ContentCategory::text,
                                           std::nullopt, std::nullopt, QString());
}

} // namespace

TEST(PasteStackManager, AnEmptyRunStaysARestartIsFreshAndDuplicatesArePastedTwice) {
    PasteStackManager stack;
    stack.activate();
    QList<bool> activeChanges;
    QList<int> indexes;
    QObject::connect(&stack, &PasteStackManager::isActiveChanged,
                     [&](bool active) { activeChanges.append(active); });
    QObject::connect(&stack, &PasteStackManager::currentIndexChanged,
                     [&](int index) { indexes.append(index); });
    stack.advance(); // nothing to paste yet: nothing moves
    EXPECT_TRUE(stack.isActive());
    EXPECT_TRUE(indexes.isEmpty());

    const auto a = textItem(u"A"_qs), b = textItem(u"B"_qs);
    stack.addItem(a);
    stack.addItem(b);
    stack.advance();
    stack.activate(); // again while running: a fresh run
    EXPECT_TRUE(stack.stackItems().isEmpty());
    EXPECT_EQ(stack.currentIndex(), 0);

    stack.addItem(a);
    stack.addItem(b);
    stack.addItem(a); // the same copy twice is pasted twice
    EXPECT_EQ(stack.stackItems(), (QList<ClipboardItemPtr>{a, b, a}));
    stack.advance();
    stack.advance();
    EXPECT_TRUE(stack.hasNext());
    stack.advance(); // past the last item the run ends and forgets its items
    EXPECT_FALSE(stack.isActive());
    EXPECT_FALSE(stack.hasNext());
    EXPECT_TRUE(stack.stackItems().isEmpty());
    EXPECT_EQ(indexes, (QList<int>{1, 0, 1, 2, 3, 0}));
    EXPECT_EQ(activeChanges, (QList<bool>{true, false}));
}
