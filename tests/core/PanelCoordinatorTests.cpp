// The panel's window following the panel state, over fakes.
#include "FakeKeystrokeSender.h"
#include "FakePanelWindow.h"
#include "core/AppState.h"
#include "core/PanelCoordinator.h"

#include <gtest/gtest.h>

namespace quillbox {
namespace {

TEST(PanelCoordinatorTest, TheWindowFollowsChangesOnlyAndLosingTheKeyboardClosesThePanel) {
    AppState state;
    testing::FakeKeystrokeSender keystrokes;
    auto made = std::make_unique<testing::FakePanelWindow>();
    testing::FakePanelWindow& window = *made;
    PanelCoordinator coordinator(state, std::move(made), &keystrokes);
    EXPECT_EQ(&coordinator.window(), &window);

    state.showPanel();
    state.setPanelVisible(true); // announced again, not shown again
    EXPECT_EQ(window.shows(), 1);
    EXPECT_TRUE(window.isShowing());
    // The paste target is the window active before the panel.
    EXPECT_EQ(keystrokes.rememberedTargets(), 1);

    window.loseKeyboard();
    EXPECT_FALSE(state.isPanelVisible());
    EXPECT_FALSE(window.isShowing());
    window.loseKeyboard();
    EXPECT_EQ(window.hides(), 1);

    state.showPanel();
    EXPECT_EQ(window.shows(), 2);
    EXPECT_EQ(keystrokes.rememberedTargets(), 2);
}

TEST(PanelCoordinatorTest, WorksWithoutAKeystrokeSender) {
    AppState state;
    auto made = std::make_unique<testing::FakePanelWindow>();
    testing::FakePanelWindow& window = *made;
    PanelCoordinator coordinator(state, std::move(made), nullptr);
    state.showPanel();
    EXPECT_TRUE(window.isShowing());
}

} // namespace
} // namespace quillbox
