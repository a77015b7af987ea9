#pragma once

#include "ui/settings/SettingsContext.h"

#include <QWidget>

class QTabWidget;

namespace quillbox {

class AboutSettingsPage;
class GeneralSettingsPage;
class PinboardsSettingsPage;
class RulesSettingsPage;
class ShortcutsSettingsPage;

// "Quillbox Settings": one window with five pages (General, Shortcuts,
// Rules, Pinboards, About), kept for reuse when closed.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize windowSize{532, 446};

    explicit SettingsWindow(SettingsContext context, QWidget* parent = nullptr);

    // Shows the window, or brings it to the front when already open.
    void present();

    QTabWidget* tabs() const { return m_tabs; }
    GeneralSettingsPage* generalPage() const { return m_general; }
    ShortcutsSettingsPage* shortcutsPage() const { return m_shortcuts; }
    RulesSettingsPage* rulesPage() const { return m_rules; }
    PinboardsSettingsPage* pinboardsPage() const { return m_pinboards; }
    AboutSettingsPage* aboutPage() const { return m_about; }

private:
    QTabWidget* m_tabs = nullptr;
    GeneralSettingsPage* m_general = nullptr;
    ShortcutsSettingsPage* m_shortcuts = nullptr;
    RulesSettingsPage* m_rules = nullptr;
    PinboardsSettingsPage* m_pinboards = nullptr;
    AboutSettingsPage* m_about = nullptr;
    bool m_wasShown = false;
};

} // namespace quillbox
