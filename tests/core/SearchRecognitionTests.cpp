// Text recognition while the user searches, against a recognizer the test
// answers by hand: the order of the pass, its restarts, and results that
// come too late.
#include "PanelListRig.h"

#include <gtest/gtest.h>

namespace quillbox::testing {
namespace {

// Three images, newest first 3, 2, 1, and a text.
struct RecognitionRig : PanelListRig {
    RecognitionRig() {
        for (const char* bytes : {"IMG-1", "IMG-2", "IMG-3"})
            images.prepend(add(imageContent(bytes)));
        add(textContent(QStringLiteral("some text")));
    }
    QList<ClipboardItemPtr> images; // newest first
};

TEST(SearchRecognition, ASearchRecognisesImagesNewestFirstOneAtATime) {
    RecognitionRig rig;
    serveFor(20ms);
    EXPECT_TRUE(rig.recognizer.requestedImages.isEmpty()) << "recognised without a search";
    rig.appState.setSearchQuery(QStringLiteral("t"));
    EXPECT_FALSE(rig.visible().contains(QStringLiteral("IMG-3"))) << "found before it was read";
    EXPECT_EQ(rig.recognizer.requestedImages, QList<QByteArray>{"IMG-3"});
    rig.recognizer.answer(0, OCRResult::success(QStringLiteral("total")));
    EXPECT_EQ(rig.images[0]->ocrText(), QStringLiteral("total"));
    EXPECT_FALSE(rig.store.hasUnsavedChanges());
    EXPECT_TRUE(rig.visible().contains(QStringLiteral("IMG-3"))) << "found by its new text";
    rig.recognizer.answer(1, OCRResult::failure(OCRError::invalidImage));
    EXPECT_EQ(rig.images[1]->ocrText(), QString()) << "a failure is stored as empty text";
    rig.recognizer.answer(2, OCRResult::success({}));
    EXPECT_EQ(rig.recognizer.requestedImages, (QList<QByteArray>{"IMG-3", "IMG-2", "IMG-1"}));
    EXPECT_FALSE(rig.recognition.isRecognizing());

    rig.appState.setSearchQuery(QStringLiteral("to"));
    serveFor(20ms);
    EXPECT_EQ(rig.recognizer.requestedImages.size(), 3) << "tried images are not tried again";
}

TEST(SearchRecognition, TypingOnRestartsThePassWhichGoesOnWithThePendingImages) {
    RecognitionRig rig;
    rig.appState.setSearchQuery(QStringLiteral("t"));
    rig.recognizer.answer(0, OCRResult::success(QStringLiteral("three")));
    ASSERT_EQ(rig.recognizer.requestedImages.size(), 2); // IMG-2 is being read
    rig.appState.setSearchQuery(QStringLiteral("tw"));
    // The restarted pass reaches IMG-2 first and waits for the reading in
    // progress rather than asking again.
    EXPECT_EQ(rig.recognizer.requestedImages.size(), 2);
    rig.recognizer.answer(1, OCRResult::success(QStringLiteral("two")));
    EXPECT_EQ(rig.images[1]->ocrText(), QStringLiteral("two"));
    EXPECT_EQ(rig.recognizer.requestedImages, (QList<QByteArray>{"IMG-3", "IMG-2", "IMG-1"}));
}

TEST(SearchRecognition, AResultForACancelledPassOrADeletedImageIsDropped) {
    RecognitionRig rig;
    rig.appState.setSearchQuery(QStringLiteral("t"));
    rig.appState.setSearchQuery({}); // cancels; IMG-3 is still being read
    rig.recognizer.answer(0, OCRResult::success(QStringLiteral("late")));
    EXPECT_FALSE(rig.images[0]->ocrText()) << "left for a later pass";
    EXPECT_EQ(rig.recognizer.requestedImages.size(), 1);

    rig.appState.setSearchQuery(QStringLiteral("l"));
    EXPECT_EQ(rig.recognizer.requestedImages.size(), 2);
    EXPECT_EQ(rig.recognizer.requestedImages.last(), QByteArray("IMG-3"));

    rig.store.deleteItem(rig.images[0]); // while it is read again: skipped
    rig.recognizer.answer(1, OCRResult::success(QStringLiteral("gone")));
    EXPECT_EQ(rig.recognizer.requestedImages.last(), QByteArray("IMG-2"));
}

} // namespace
} // namespace quillbox::testing
