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

void expectInactiveAndEmpty(const PasteStackManager& stack) {
    EXPECT_FALSE(stack.isActive());
    EXPECT_TRUE(stack.stackItems().isEmpty());
    EXPECT_EQ(stack.currentIndex(), 0);
    EXPECT_FALSE(stack.hasNext());
}

} // namespace

TEST(PasteStackManager, CollectsInCopyOrderWithDuplicatesAndEndsAfterTheLastPaste) {
    PasteStackManager stack;
    QList<bool> activeChanges;
    QObject::connect(&stack, &PasteStackManager::isActiveChanged,
                     [&](bool active) { activeChanges.append(active); });
    const auto a = textItem(u"A"_qs), b = textItem(u"B"_qs);
    stack.addItem(a); // not collecting yet
    expectInactiveAndEmpty(stack);

    stack.activate();
    stack.addItem(a);
    stack.addItem(b);
    stack.addItem(a); // the same copy twice is pasted twice
    EXPECT_EQ(stack.stackItems(), (QList<ClipboardItemPtr>{a, b, a}));
    EXPECT_EQ(stack.currentIndex(), 0);
    EXPECT_TRUE(stack.hasNext());

    stack.advance();
    stack.advance();
    EXPECT_TRUE(stack.isActive());
    EXPECT_EQ(stack.currentIndex(), 2);
    EXPECT_TRUE(stack.hasNext());

    stack.advance(); // past the last item the run ends
    expectInactiveAndEmpty(stack);
    EXPECT_EQ(activeChanges, (QList<bool>{true, false}));
}

TEST(PasteStackManager, AdvancingAnEmptyRunChangesNothing) {
    PasteStackManager stack;
    stack.activate();
    int indexChanges = 0;
    QObject::connect(&stack, &PasteStackManager::currentIndexChanged, [&] { ++indexChanges; });
    stack.advance();
    EXPECT_TRUE(stack.isActive());
    EXPECT_EQ(stack.currentIndex(), 0);
    EXPECT_FALSE(stack.hasNext());
    EXPECT_EQ(indexChanges, 0);
}

TEST(PasteStackManager, ActivatingWhileActiveStartsAFreshRunAndDeactivatingForgetsTheItems) {
    PasteStackManager stack;
    stack.activate();
    stack.addItem(textItem(u"A"_qs));
    stack.addItem(textItem(u"B"_qs));
    stack.advance();

    stack.activate();
    EXPECT_TRUE(stack.isActive());
    EXPECT_TRUE(stack.stackItems().isEmpty());
    EXPECT_EQ(stack.currentIndex(), 0);

    stack.addItem(textItem(u"C"_qs));
    stack.deactivate();
    expectInactiveAndEmpty(stack);
}
