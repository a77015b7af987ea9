#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace quillbox {

class AppState;

// The panel's keys, for every key press of the application: a key meant
// for the panel window while the panel is shown that the panel's key table
// takes is sent as its command (move, paste, delete, hide, pause) through
// the panel state; everything else, and every key for another window, goes
// on unchanged, so typing reaches the search field and the settings window
// keeps its own keys.
class PanelKeyFilter : public QObject {
    Q_OBJECT
public:
    PanelKeyFilter(AppState& appState, QWidget* panelWindow, QObject* parent = nullptr);

    // True when the key was taken.
    bool handlePanelKey(int key, Qt::KeyboardModifiers modifiers, const QWidget* target);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppState& m_appState;
    QPointer<QWidget> m_panelWindow;
};

} // namespace quillbox
