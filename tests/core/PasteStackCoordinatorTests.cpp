// The Paste Stack run across applications, over a fake clipboard, key
// watcher and window.
#include "FakeAccessProbe.h"
#include "FakeGlobalKeyWatcher.h"
#include "FakeKeystrokeSender.h"
#include "FakePasteStackWindow.h"
#include "FakePasteboard.h"
#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "content/AppConstants.h"
#include "content/PasteboardTypes.h"
#include "core/AccessibilityManager.h"
#include "core/PasteStackCoordinator.h"
#include "core/PasteStackManager.h"
#include "core/StackPasteMatcher.h"
#include "history/HistoryStore.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

using testing::FakePasteStackWindow;

class PasteStackCoordinatorTest : public ::testing::Test {
protected:
    testing::FakePasteboard pasteboard;
    testing::FakeGlobalKeyWatcher pasteKeys;
    testing::FakeKeystrokeSender keystrokes;
    testing::FakeAccessProbe access;
    AccessibilityManager accessibility{access};
    PasteStackManager stack;
    HistoryStore store{StoreContainer::makeInMemory()};
    FakePasteStackWindow* window = nullptr;
    int windowsMade = 0;
    QString windowKeys;
    QString windowHint;

    std::unique_ptr<PasteStackCoordinator> make(bool withWatcher = true, bool withWindow = true) {
        PasteStackCoordinator::WindowFactory factory;
        if (withWindow) {
            factory = [this](const PasteStackSetup& setup) {
                ++windowsMade;
                windowKeys = setup.stopKeys;
                windowHint = setup.pasteNextHint;
                auto made = std::make_unique<FakePasteStackWindow>();
                window = made.get();
                return made;
            };
        }
        return std::make_unique<PasteStackCoordinator>(
            stack, pasteboard, withWatcher ? &pasteKeys : nullptr, &keystrokes, accessibility,
            std::move(factory),
            PasteStackCoordinator::Texts{u"Ctrl+Alt+S"_s, withWatcher ? QString() : u"hint"_s});
    }

    ClipboardItemPtr copied(const QString& text) {
        return store.record(testing::textContent(text), std::nullopt, std::nullopt);
    }

    // The clipboard's text and whether it carries Quillbox's own marker.
    std::pair<QString, bool> clipboard() const {
        const auto types = pasteboard.types().value_or(QStringList());
        return {pasteboard.string(PasteboardType::string).value_or(QString()),
                types.contains(AppConstants::internalPasteboardType)};
    }
};

TEST_F(PasteStackCoordinatorTest, ARunCollectsCopiesPastesThemInOrderAndEndsAfterTheLast) {
    auto coordinator = make();
    // Outside a run a copy is left alone.
    coordinator->itemCaptured(copied(u"outside"_s));
    EXPECT_TRUE(pasteboard.writes().isEmpty());
    EXPECT_EQ(coordinator->window(), nullptr);

    stack.toggle();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(coordinator->window(), window);
    EXPECT_EQ(windowKeys, u"Ctrl+Alt+S"_s);
    EXPECT_TRUE(windowHint.isEmpty());
    EXPECT_TRUE(window->isShowing());
    EXPECT_TRUE(pasteKeys.isWatching());
    EXPECT_EQ(access.requests(), 1);

    const QStringList texts{u"first"_s, u"second"_s, u"third"_s};
    for (const QString& text : texts) {
        coordinator->itemCaptured(copied(text));
        // The item the next paste takes stays on the clipboard.
        EXPECT_EQ(clipboard(), std::pair(u"first"_s, true)) << text.toStdString();
    }
    ASSERT_EQ(stack.stackItems().size(), 3);

    for (int paste = 1; paste <= 3; ++paste) {
        pasteKeys.pressPasteKey();
        // The application reads the clipboard before the stack moves on.
        EXPECT_EQ(stack.currentIndex(), paste - 1);
        ASSERT_TRUE(testing::waitUntil([&] { return stack.currentIndex() != paste - 1; }));
        if (paste < 3) {
            EXPECT_EQ(clipboard(), std::pair(texts.at(paste), true));
        }
    }
    EXPECT_FALSE(stack.isActive());
    EXPECT_FALSE(window->isShowing());
    EXPECT_FALSE(pasteKeys.isWatching());
}

TEST_F(PasteStackCoordinatorTest, AStoppedRunForgetsItsPendingPasteAndAGrantRestartsTheWatcher) {
    auto coordinator = make();
    stack.toggle();
    coordinator->itemCaptured(copied(u"a"_s));
    pasteKeys.pressPasteKey();
    // Stopped within the delay and started again at once, in the same window.
    stack.toggle();
    EXPECT_FALSE(window->isShowing());
    EXPECT_FALSE(pasteKeys.isWatching());
    stack.toggle();
    EXPECT_EQ(windowsMade, 1);
    EXPECT_TRUE(window->isShowing());
    coordinator->itemCaptured(copied(u"b"_s));
    coordinator->itemCaptured(copied(u"c"_s));
    testing::serveFor(2 * StackPasteMatcher::advanceDelay);
    EXPECT_EQ(stack.currentIndex(), 0);
    EXPECT_EQ(clipboard(), std::pair(u"b"_s, true));

    const int starts = pasteKeys.starts();
    access.setGranted(true);
    accessibility.checkAccess();
    EXPECT_EQ(pasteKeys.starts(), starts + 1);
    EXPECT_TRUE(pasteKeys.isWatching());

    // A grant outside a run starts nothing.
    stack.toggle();
    access.setGranted(false);
    accessibility.checkAccess();
    access.setGranted(true);
    accessibility.checkAccess();
    EXPECT_FALSE(pasteKeys.isWatching());
}

TEST_F(PasteStackCoordinatorTest, WithoutWatcherOrWindowARunStillCollects) {
    auto coordinator = make(false, false);
    stack.toggle();
    coordinator->itemCaptured(copied(u"only"_s));
    EXPECT_EQ(coordinator->window(), nullptr);
    EXPECT_EQ(clipboard(), std::pair(u"only"_s, true));
    EXPECT_EQ(pasteKeys.starts(), 0);
    pasteKeys.start();
    pasteKeys.pressPasteKey();
    testing::serveFor(2 * StackPasteMatcher::advanceDelay);
    EXPECT_EQ(stack.currentIndex(), 0);
}

using Result = PasteStackCoordinator::PasteNextResult;

TEST_F(PasteStackCoordinatorTest, PasteNextPastesEachItemOnceInOrderEvenWhenAskedAllAtOnce) {
    auto coordinator = make(false);
    access.setGranted(true);
    stack.toggle();
    EXPECT_EQ(windowHint, u"hint"_s);
    for (const QString& text : {u"first"_s, u"second"_s, u"third"_s})
        coordinator->itemCaptured(copied(text));
    QStringList onClipboardAsKeysWent;
    keystrokes.onKeysSent = [&] { onClipboardAsKeysWent.append(clipboard().first); };

    QStringList answers;
    for (int i = 0; i < 4; ++i) {
        coordinator->pasteNext([&](const PasteStackCoordinator::PasteNextOutcome& outcome) {
            answers.append(
                u"%1 %2/%3"_s.arg(int(outcome.result)).arg(outcome.position).arg(outcome.count));
        });
    }
    ASSERT_TRUE(testing::waitUntil([&] { return answers.size() == 4; }));
    EXPECT_EQ(onClipboardAsKeysWent, (QStringList{u"first"_s, u"second"_s, u"third"_s}));
    EXPECT_EQ(answers, (QStringList{u"0 1/3"_s, u"0 2/3"_s, u"0 3/3"_s, u"1 0/0"_s}));
    EXPECT_EQ(keystrokes.rememberedTargets(), 3);
    EXPECT_FALSE(stack.isActive());
    EXPECT_FALSE(window->isShowing());
}

TEST_F(PasteStackCoordinatorTest, PasteNextThatCannotPasteLeavesTheRunWhereItWas) {
    auto coordinator = make(false);
    std::optional<PasteStackCoordinator::PasteNextOutcome> outcome;
    const auto pasteNext = [&] {
        outcome.reset();
        coordinator->pasteNext([&](const auto& got) { outcome = got; });
        EXPECT_TRUE(testing::waitUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(PasteStackCoordinator::PasteNextOutcome{Result::pasted});
    };
    EXPECT_EQ(pasteNext().result, Result::noRun);
    access.setGranted(true);
    stack.toggle();
    EXPECT_EQ(pasteNext().result, Result::noItem);

    coordinator->itemCaptured(copied(u"a"_s));
    keystrokes.setRefusesKeys(true);
    EXPECT_EQ(pasteNext().result, Result::keysNotSent);
    keystrokes.setRefusesKeys(false);
    access.setGranted(false);
    EXPECT_EQ(pasteNext().result, Result::keysNotSent);
    EXPECT_TRUE(keystrokes.sentKeystrokes().isEmpty());
    EXPECT_EQ(stack.currentIndex(), 0);
    EXPECT_EQ(clipboard(), std::pair(u"a"_s, true));
}

TEST_F(PasteStackCoordinatorTest, ReportsAfterItIsGoneReachNothing) {
    auto coordinator = make();
    stack.toggle();
    coordinator->itemCaptured(copied(u"a"_s));
    coordinator.reset();
    EXPECT_FALSE(pasteboard.onOfferRead);
    EXPECT_FALSE(pasteKeys.onPasteKeyPressed);
    pasteKeys.pressPasteKey();
    testing::serveFor(2 * StackPasteMatcher::advanceDelay);
    EXPECT_EQ(stack.currentIndex(), 0);
}

} // namespace
} // namespace quillbox
