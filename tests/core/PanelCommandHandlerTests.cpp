// The panel's commands on its visible list: moving the selection, deleting
// and pasting the selected card, also when the selection is filtered out.
#include "PanelListRig.h"

#include <gtest/gtest.h>

namespace quillbox::testing {
namespace {

// The list is A, B, C; an empty selection means none.
struct CommandCase {
    const char* name;
    const char* selectedBefore;
    PanelCommand command;
    const char* selectedAfter;
    const char* listAfter;
};

class PanelCommands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(PanelCommands, MoveTheSelectionOrDeleteWithinTheList) {
    PanelListRig rig;
    for (const char* text : {"C", "B", "A"})
        rig.add(textContent(QString::fromLatin1(text)));
    if (*GetParam().selectedBefore)
        rig.select(QString::fromLatin1(GetParam().selectedBefore));
    rig.appState.send(GetParam().command);
    EXPECT_EQ(rig.appState.selectedCardID().has_value(), *GetParam().selectedAfter != 0);
    EXPECT_EQ(rig.selected(), QString::fromLatin1(GetParam().selectedAfter));
    EXPECT_EQ(rig.visible().join(QString()), QString::fromLatin1(GetParam().listAfter));
}

using enum PanelCommand;
const CommandCase commandCases[] = {
    {"NextWithoutSelectionSelectsTheSecond", "", selectNext, "B", "ABC"},
    {"PreviousOnTheFirstStays", "A", selectPrevious, "A", "ABC"},
    {"NextOnTheLastStays", "C", selectNext, "C", "ABC"},
    {"PreviousMovesLeft", "C", selectPrevious, "B", "ABC"},
    {"DeletingTheMiddleSelectsTheNextOne", "B", deleteSelected, "C", "AC"},
    {"DeletingTheLastSelectsItsLeftNeighbour", "C", deleteSelected, "B", "AB"},
    {"DeletingWithoutSelectionDeletesTheFirst", "", deleteSelected, "B", "BC"},
};

INSTANTIATE_TEST_SUITE_P(Cases, PanelCommands, ::testing::ValuesIn(commandCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PanelCommandHandler, AFilteredOutSelectionActsOnTheFirstCardAndComesBack) {
    PanelListRig rig;
    for (const char* text : {"apple", "banana", "cherry"})
        rig.add(textContent(QString::fromLatin1(text)));
    rig.select(QStringLiteral("banana"));
    rig.appState.setSearchQuery(QStringLiteral("e")); // cherry, apple
    rig.appState.send(PanelCommand::selectNext);
    EXPECT_EQ(rig.selected(), QStringLiteral("apple")) << "moved on from the first";
    rig.select(QStringLiteral("banana"));
    rig.appState.send(PanelCommand::pasteSelected);
    ASSERT_EQ(rig.pasteboard.writes().size(), 1);
    EXPECT_EQ(rig.pasteboard.writes().first().first().string(PasteboardType::string),
              QStringLiteral("cherry"));
    rig.appState.setSearchQuery({});
    EXPECT_EQ(rig.selected(), QStringLiteral("banana"));
}

TEST(PanelCommandHandler, PastingHidesThePanelFirstAndDeletingTheOnlyItemClearsTheSelection) {
    PanelListRig rig;
    rig.add(textContent(QStringLiteral("x")));
    rig.appState.showPanel();
    qsizetype writesWhenHidden = -1;
    QObject::connect(&rig.appState, &AppState::isPanelVisibleChanged, [&](bool visible) {
        if (!visible)
            writesWhenHidden = rig.pasteboard.writes().size();
    });
    rig.appState.send(PanelCommand::pasteSelectedAsPlainText);
    EXPECT_EQ(writesWhenHidden, 0);
    EXPECT_FALSE(rig.appState.isPanelVisible());
    EXPECT_EQ(rig.pasteboard.writes().size(), 1);

    rig.appState.send(PanelCommand::deleteSelected);
    EXPECT_FALSE(rig.appState.selectedCardID());
    EXPECT_TRUE(rig.visible().isEmpty());
    rig.appState.send(PanelCommand::deleteSelected); // nothing to delete: nothing happens
    rig.appState.send(PanelCommand::pasteSelected);
    rig.appState.send(PanelCommand::selectNext);
    EXPECT_EQ(rig.pasteboard.writes().size(), 1);
}

} // namespace
} // namespace quillbox::testing
