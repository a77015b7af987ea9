// Picking a colour with the panel out of the way, over a fake sampler.
#include "FakeColorSampler.h"
#include "FakePasteboard.h"
#include "FakeSoundPlayer.h"
#include "X11TestEnvironment.h"
#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/AppState.h"
#include "core/ColorPickerService.h"
#include "core/PanelColorPicker.h"
#include "core/SoundManager.h"
#include "history/HistoryStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

class PanelColorPickerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Preferences preferences{dir.filePath(u"Quillbox.conf"_s)};
    testing::FakeSoundPlayer player;
    SoundManager sounds{player, preferences};
    testing::FakeColorSampler sampler;
    testing::FakePasteboard pasteboard;
    HistoryStore store{StoreContainer::makeInMemory()};
    ColorPickerService service{sampler, pasteboard, sounds};
    AppState state;
    PanelColorPicker picker{service, state, store};

    void SetUp() override { AppConstants::registerDefaults(preferences); }
};

TEST_F(PanelColorPickerTest, HidesThePanelWaitsThenReopensItOnTheNewColour) {
    state.showPanel();
    ClipboardItemPtr reported;
    bool finished = false;
    const auto pickAndWaitForTheSampler = [&] {
        finished = false;
        EXPECT_TRUE(picker.pickColor(true, [&](ClipboardItemPtr item) {
            reported = item;
            finished = true;
        }));
        EXPECT_FALSE(state.isPanelVisible());
        // The sampler waits for the panel to go; a second request meanwhile is refused.
        EXPECT_FALSE(sampler.isShowing());
        EXPECT_FALSE(picker.pickColor(true));
        EXPECT_TRUE(testing::waitUntil([&] { return sampler.isShowing(); }));
        EXPECT_FALSE(picker.pickColor(true));
    };

    // Cancelled: the panel comes back with nothing selected and nothing recorded.
    pickAndWaitForTheSampler();
    sampler.cancel();
    ASSERT_TRUE(testing::waitUntil([&] { return finished; }));
    EXPECT_EQ(reported, nullptr);
    EXPECT_TRUE(state.isPanelVisible());
    EXPECT_EQ(state.selectedCardID(), std::nullopt);
    EXPECT_TRUE(store.allItems().isEmpty());

    // Picked: the panel comes back on the new colour, the search cleared.
    state.setSearchQuery(u"abc"_s);
    pickAndWaitForTheSampler();
    sampler.pick(QColor(255, 0, 0));
    ASSERT_TRUE(testing::waitUntil([&] { return finished; }));
    ASSERT_NE(reported, nullptr);
    EXPECT_EQ(reported->colorHex(), u"#FF0000"_s);
    EXPECT_TRUE(state.isPanelVisible());
    EXPECT_EQ(state.searchQuery(), QString());
    EXPECT_EQ(state.selectedCardID(), reported->id());
}

TEST_F(PanelColorPickerTest, WithoutReopeningThePanelStaysClosed) {
    bool finished = false;
    ASSERT_TRUE(picker.pickColor(false, [&](ClipboardItemPtr) { finished = true; }));
    ASSERT_TRUE(testing::waitUntil([&] { return sampler.isShowing(); }));
    sampler.pick(QColor(0, 0, 255));
    ASSERT_TRUE(testing::waitUntil([&] { return finished; }));
    EXPECT_FALSE(state.isPanelVisible());
    EXPECT_EQ(store.allItems().size(), 1);
}

} // namespace
} // namespace quillbox
