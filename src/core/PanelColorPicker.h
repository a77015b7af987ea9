#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>

namespace quillbox {

class AppState;
class ClipboardItem;
class ColorPickerService;
class HistoryStore;
using ClipboardItemPtr = std::shared_ptr<ClipboardItem>;

// Picking a colour from the panel or the tray: the panel leaves the screen
// first, so the sampler never grabs it, and may come back afterwards on the
// recorded colour.
class PanelColorPicker : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds startDelay{250};

    PanelColorPicker(ColorPickerService& picker, AppState& state, HistoryStore& store,
                     QObject* parent = nullptr);

    // Hides the panel, then shows the sampler after startDelay. With
    // reopenPanel the panel comes back afterwards, the new colour selected.
    // `done` (optional) hears the recorded item, or null when cancelled.
    // Returns false, doing nothing, while a sampler is showing or about to show.
    bool pickColor(bool reopenPanel, std::function<void(ClipboardItemPtr)> done = {});

private:
    ColorPickerService& m_picker;
    AppState& m_state;
    HistoryStore& m_store;
    bool m_isPending = false;
};

} // namespace quillbox
