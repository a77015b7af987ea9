#pragma once

#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/AppState.h"
#include "core/PanelCommandHandler.h"
#include "core/PanelListModel.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "ui/HistoryPanel.h"

#include <QDir>

namespace quillbox::testing {

// The history panel put together as the application does it, over a store
// file and a preferences file in `folder`: its window follows the panel
// state and closes when it loses the keyboard. For the panel's tests, its
// snapshots and its benchmark.
struct PanelRig {
    explicit PanelRig(const QString& folder)
        : preferences(QDir(folder).filePath(QStringLiteral("Quillbox.conf")))
        , store(StoreContainer::makeShared(false,
                                           QDir(folder).filePath(QStringLiteral("Quillbox.store"))))
        , list(store, state)
        , commands(state, store, list, nullptr)
        , panel(PanelSetup{state, store, list, commands, nullptr, preferences, nullptr, nullptr},
                nullptr) {
        AppConstants::registerDefaults(preferences);
        panel.onResignKey = [this] {
            if (state.isPanelVisible())
                state.setPanelVisible(false);
        };
        QObject::connect(&state, &AppState::isPanelVisibleChanged, &panel, [this](bool visible) {
            if (visible)
                panel.showPanel();
            else
                panel.hidePanel();
        });
    }
    ~PanelRig() { state.setPanelVisible(false); }

    Preferences preferences;
    HistoryStore store;
    AppState state;
    PanelListModel list;
    PanelCommandHandler commands;
    HistoryPanel panel;
};

} // namespace quillbox::testing
