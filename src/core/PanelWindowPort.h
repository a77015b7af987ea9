#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace quillbox {

class AppState;
class HistoryStore;
class PanelCommandHandler;
class PanelListModel;
class PasteService;
class Preferences;

// What the panel's window is built from.
struct PanelSetup {
    AppState& appState;
    HistoryStore& store;
    PanelListModel& list;
    PanelCommandHandler& commands;
    PasteService* pasteService = nullptr;
    Preferences& preferences;
    // The clipboard's text, read without waiting, for the search field.
    std::function<std::optional<QString>()> clipboardText;
    // The toolbar's colour picker.
    std::function<void()> pickColor;
};

// The history panel's window as the application drives it: shown and hidden
// as the panel state says, and telling when it lost the keyboard focus so
// the panel can close. The desktop's window in the program, a recording fake
// in tests.
class PanelWindowPort {
public:
    virtual ~PanelWindowPort() = default;

    virtual void showPanel() = 0;
    virtual void hidePanel() = 0;
    virtual bool isShowing() const = 0;

    // Called when the shown window loses the keyboard focus.
    std::function<void()> onResignKey;
};

} // namespace quillbox
