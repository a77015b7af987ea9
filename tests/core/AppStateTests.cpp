#include "core/AppState.h"

#include <QUuid>
#include <gtest/gtest.h>

using namespace quillbox;

namespace {

struct Recorder {
    QStringList events;
    void attach(AppState& state) {
        QObject::connect(&state, &AppState::isPanelVisibleChanged,
                         [this](bool v) { events << QStringLiteral("visible=%1").arg(v); });
        QObject::connect(&state, &AppState::searchQueryChanged,
                         [this](const QString& q) { events << u"search="_qs + q; });
        QObject::connect(&state, &AppState::selectedCategoryChanged, [this](auto c) {
            events << (c ? u"category=set"_qs : u"category=none"_qs);
        });
        QObject::connect(&state, &AppState::selectedCardIDChanged,
                         [this](auto id) { events << (id ? u"card=set"_qs : u"card=none"_qs); });
        QObject::connect(&state, &AppState::selectedPinboardIDChanged,
                         [this](auto) { events << u"pinboard"_qs; });
    }
};

} // namespace

TEST(AppState, ShowingWhileVisibleAndHidingByToggleResetNothing) {
    AppState state;
    state.togglePanel();
    state.setSearchQuery(u"abc"_qs);
    state.setSelectedCategory(ContentCategory::image);
    const QUuid card = QUuid::createUuid();
    state.setSelectedCardID(card);

    Recorder recorder;
    recorder.attach(state);
    state.showPanel();
    EXPECT_TRUE(recorder.events.isEmpty()) << recorder.events.join(u' ').toStdString();
    state.togglePanel();

    EXPECT_FALSE(state.isPanelVisible());
    EXPECT_EQ(recorder.events, QStringList{u"visible=0"_qs});
    EXPECT_EQ(state.searchQuery(), u"abc"_qs);
    EXPECT_EQ(state.selectedCategory(), ContentCategory::image);
    EXPECT_EQ(state.selectedCardID(), card);
}

TEST(AppState, ShowingResetsSearchFilterAndCardButKeepsThePinboardAndSetsVisibilityLast) {
    AppState state;
    const QUuid pinboard = QUuid::createUuid();
    state.showPanel();
    state.setSearchQuery(u"abc"_qs);
    state.setSelectedCategory(ContentCategory::url);
    state.setSelectedCardID(QUuid::createUuid());
    state.setSelectedPinboardID(pinboard);
    state.setPanelVisible(false);

    Recorder recorder;
    recorder.attach(state);
    // Observers of visibility must already see the reset state.
    QString searchSeenWhenShown = u"unset"_qs;
    QObject::connect(&state, &AppState::isPanelVisibleChanged,
                     [&](bool) { searchSeenWhenShown = state.searchQuery(); });
    state.showPanel();

    EXPECT_EQ(recorder.events,
              (QStringList{u"search="_qs, u"category=none"_qs, u"card=none"_qs, u"visible=1"_qs}));
    EXPECT_TRUE(searchSeenWhenShown.isEmpty());
    EXPECT_EQ(state.selectedPinboardID(), pinboard);
}

TEST(AppState, PauseCallbackRunsOnlyThroughTheToggle) {
    AppState state;
    state.toggleMonitoringPaused(); // no callback installed: only the flag changes
    EXPECT_TRUE(state.isMonitoringPaused());

    QList<bool> told;
    state.onMonitoringPausedChange = [&](bool paused) { told.append(paused); };
    state.setMonitoringPaused(false);
    EXPECT_TRUE(told.isEmpty());
    state.toggleMonitoringPaused();
    state.toggleMonitoringPaused();
    EXPECT_EQ(told, (QList<bool>{true, false}));
}
