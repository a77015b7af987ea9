#include "core/PanelColorPicker.h"

#include "core/AppState.h"
#include "core/ColorPickerService.h"
#include "history/ClipboardItem.h"

#include <QPointer>
#include <QTimer>

namespace quillbox {

PanelColorPicker::PanelColorPicker(ColorPickerService& picker, AppState& state, HistoryStore& store,
                                   QObject* parent)
    : QObject(parent)
    , m_picker(picker)
    , m_state(state)
    , m_store(store) {
}

bool PanelColorPicker::pickColor(bool reopenPanel, std::function<void(ClipboardItemPtr)> done) {
    if (m_picker.isSampling() || m_isPending)
        return false;
    if (m_state.isPanelVisible())
        m_state.setPanelVisible(false);
    m_isPending = true;
    // The wait lets the panel leave the screen before the sampler grabs it.
    QTimer::singleShot(startDelay, this, [this, reopenPanel, done = std::move(done)] {
        m_isPending = false;
        QPointer<PanelColorPicker> self = this;
        m_picker.pickColor(m_store, [self, reopenPanel, done](ClipboardItemPtr item) {
            if (!self)
                return;
            if (reopenPanel) {
                self->m_state.showPanel();
                if (item)
                    self->m_state.setSelectedCardID(item->id());
            }
            if (done)
                done(item);
        });
    });
    return true;
}

} // namespace quillbox
