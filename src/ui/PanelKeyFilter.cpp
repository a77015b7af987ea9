#include "ui/PanelKeyFilter.h"

#include "core/AppState.h"
#include "core/PanelKeys.h"

#include <QKeyEvent>
#include <QWidget>

namespace quillbox {

PanelKeyFilter::PanelKeyFilter(AppState& appState, QWidget* panelWindow, QObject* parent)
    : QObject(parent)
    , m_appState(appState)
    , m_panelWindow(panelWindow) {
}

bool PanelKeyFilter::handlePanelKey(int key, Qt::KeyboardModifiers modifiers,
                                    const QWidget* target) {
    if (!m_panelWindow || !target || target->window() != m_panelWindow ||
        !m_appState.isPanelVisible())
        return false;
    const auto command = panelCommandForKey(key, modifiers);
    if (!command)
        return false;
    m_appState.send(*command);
    return true;
}

bool PanelKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    // A key the table takes must not become a shortcut of the focused
    // field either (Ctrl+Backspace deletes a word there).
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    if (!watched->isWidgetType())
        return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* widget = static_cast<QWidget*>(watched);
        if (m_panelWindow && widget->window() == m_panelWindow && m_appState.isPanelVisible() &&
            panelCommandForKey(keyEvent->key(), keyEvent->modifiers())) {
            event->accept(); // delivered as a key press, not as a shortcut
            return true;
        }
        return false;
    }
    return handlePanelKey(keyEvent->key(), keyEvent->modifiers(), static_cast<QWidget*>(watched));
}

} // namespace quillbox
