#include "FakeColorSampler.h"
#include "FakePasteboard.h"
#include "FakeSoundPlayer.h"
#include "content/AppConstants.h"
#include "content/PasteboardTypes.h"
#include "content/Preferences.h"
#include "core/ColorPickerService.h"
#include "core/SoundManager.h"
#include "history/HistoryStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

class ColorPickerServiceTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Preferences preferences{dir.filePath(u"Quillbox.conf"_qs)};
    FakeSoundPlayer player;
    SoundManager sounds{player, preferences};
    FakeColorSampler sampler;
    FakePasteboard pasteboard;
    HistoryStore store{StoreContainer::makeInMemory()};
    ColorPickerService picker{sampler, pasteboard, sounds};

    void SetUp() override { AppConstants::registerDefaults(preferences); }

    // Starts a pick whose completion records what it receives.
    void pick(QList<ClipboardItemPtr>& received) {
        picker.pickColor(store, [&received](ClipboardItemPtr item) { received.append(item); });
    }
};

} // namespace

TEST_F(ColorPickerServiceTest, APickedColourIsWrittenWithTheMarkerRecordedAndAnnounced) {
    QList<ClipboardItemPtr> received;
    pick(received);
    ASSERT_TRUE(picker.isSampling());
    ASSERT_TRUE(sampler.pick(QColor(0x1E, 0x90, 0xFF)));
    EXPECT_FALSE(picker.isSampling());

    ASSERT_EQ(received.size(), 1);
    const ClipboardItemPtr item = received.first();
    ASSERT_TRUE(item);
    // Its kind, code and source name are also checked end to end.
    EXPECT_EQ(item->plainText(), u"#1E90FF"_qs);
    EXPECT_EQ(item->contentType(), PasteboardType::color);
    EXPECT_EQ(item->sourceAppBundleID(), AppConstants::applicationID);
    EXPECT_EQ(store.allItems(), QList<ClipboardItemPtr>{item});

    ASSERT_EQ(pasteboard.writes().size(), 1);
    ASSERT_EQ(pasteboard.writes().first().size(), 1);
    const PasteboardItem& written = pasteboard.writes().first().first();
    EXPECT_EQ(written.types(), (QStringList{PasteboardType::color, PasteboardType::string,
                                            AppConstants::internalPasteboardType}));
    EXPECT_EQ(written.string(PasteboardType::string), u"#1E90FF"_qs);
    EXPECT_EQ(written.data(AppConstants::internalPasteboardType), QByteArray());
    EXPECT_EQ(decodeColorData(*written.data(PasteboardType::color)), QColor(0x1E, 0x90, 0xFF));

    EXPECT_EQ(player.played(), QStringList{u"Pop"_qs});
}

TEST_F(ColorPickerServiceTest, ASecondPickWhileSamplingIsIgnoredAndItsCompletionNeverRuns) {
    QList<ClipboardItemPtr> first, second;
    pick(first);
    pick(second);
    EXPECT_EQ(sampler.sampleCount(), 1);

    ASSERT_TRUE(sampler.pick(QColor(Qt::red)));
    EXPECT_EQ(first.size(), 1);
    EXPECT_TRUE(second.isEmpty());
}

// Rounding and alpha are the hex code's own cases; here, that the recorded
// code and the written text both come from the colour in sRGB.
TEST_F(ColorPickerServiceTest, ARecordedColourInAnotherModelIsCodedInSRGB) {
    const ClipboardItemPtr item = picker.record(QColor::fromHsv(0, 255, 255), store, pasteboard);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->colorHex(), u"#FF0000"_qs);
    EXPECT_EQ(pasteboard.writes().last().first().string(PasteboardType::string), u"#FF0000"_qs);
}
