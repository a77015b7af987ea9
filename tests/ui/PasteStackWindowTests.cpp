// What the Paste Stack window says of its items and of its progress.
#include "FakeAccessProbe.h"
#include "TestContent.h"
#include "core/AccessibilityManager.h"
#include "core/PasteStackManager.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "ui/PasteStackView.h"
#include "ui/StackItemList.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox::testing {
namespace {

TEST(PasteStackWindowTest, ARowIsLabelledByItsFilesImageSizeOrTextOnOneLine) {
    HistoryStore store{StoreContainer::makeInMemory()};
    const QString longLine(100000, u'x');
    const struct {
        const char* name;
        ParsedClipboardContent content;
        QString label;
    } rows[] = {
        {"one file", fileContent({u"/home/ana/report.pdf"_s}), u"report.pdf"_s},
        {"three files", fileContent({u"/home/ana/report.pdf"_s, u"/a/b.txt"_s, u"/a/c.txt"_s}),
         u"report.pdf +2 more"_s},
        {"image without a size", imageContent(solidPng(Qt::red)), u"Image"_s},
        {"image with a size", imageContent(solidPng(Qt::blue), u"64 \u00d7 48"_s),
         u"Image 64 \u00d7 48"_s},
        {"empty lines dropped", textContent(u"\n\nHello\nworld\n"_s), u"Hello world"_s},
        {"Windows line ends", textContent(u"first\r\nsecond"_s), u"first second"_s},
        {"a tab is no control character on screen", textContent(u"a\tb"_s), u"a b"_s},
        {"only line breaks", textContent(u"\n\n\n"_s), u"Text"_s},
        {"a title before the address", urlContent(u"https://example.org/"_s, u"Example"_s),
         u"Example"_s},
        {"a huge line is cut", textContent(longLine),
         QString(StackItemList::labelCharacterLimit, u'x')},
    };
    for (const auto& row : rows) {
        const ClipboardItemPtr item = store.record(row.content, std::nullopt, std::nullopt);
        ASSERT_NE(item, nullptr) << row.name;
        EXPECT_EQ(StackItemList::rowLabel(*item), row.label) << row.name;
    }
}

TEST(PasteStackWindowTest, TheFooterCountsThePastedItems) {
    EXPECT_EQ(PasteStackView::progressText(0, 0), u"No items"_s);
    EXPECT_EQ(PasteStackView::progressText(1, 3), u"1 of 3 pasted"_s);
    // An index past the end never counts more than there are.
    EXPECT_EQ(PasteStackView::progressText(4, 3), u"3 of 3 pasted"_s);
}

// Where Ctrl+V is not watched, the window says what pastes the next item:
// in the empty state, then under the items.
TEST(PasteStackWindowTest, NamesWhatPastesTheNextItemWhereCtrlVDoesNot) {
    FakeAccessProbe probe;
    probe.setGranted(true);
    AccessibilityManager access(probe);
    PasteStackManager stack;
    HistoryStore store(StoreContainer::makeInMemory());
    stack.activate();
    for (const QString& hint : {QString(), u"Press Super+Shift+N to paste the next item"_s}) {
        PasteStackView view(stack, access, u"Super+Shift+C"_s, hint);
        view.show();
        auto* hintLabel = view.findChild<QLabel*>(u"pasteStackNextHint"_s);
        ASSERT_NE(hintLabel, nullptr);
        auto* empty = view.findChild<QWidget*>(u"pasteStackEmptyState"_s);
        EXPECT_EQ(empty->accessibleDescription(),
                  hint.isEmpty() ? u"Then Ctrl+V pastes them in order"_s : hint);
        EXPECT_FALSE(hintLabel->isVisible());
        stack.addItem(store.record(textContent(u"a"_s), std::nullopt, std::nullopt));
        EXPECT_EQ(hintLabel->isVisible(), !hint.isEmpty());
        EXPECT_EQ(hintLabel->text(), hint);
        stack.activate(); // empty again for the next round
    }
}

} // namespace
} // namespace quillbox::testing
