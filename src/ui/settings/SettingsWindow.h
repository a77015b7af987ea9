#pragma once

#include "ui/settings/SettingsContext.h"

#include <QWidget>

class QScrollArea;
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
    // The window is at least this large, and as tall as the general page
    // needs at the fonts in use (up to most of the screen's height).
    static constexpr QSize minimumWindowSize{600, 446};

    explicit SettingsWindow(SettingsContext context, QWidget* parent = nullptr);

    // Shows the window, or brings it to the front when already open.
    void present();

    QTabWidget* tabs() const { return m_tabs; }
    QScrollArea* generalScroller() const { return m_generalScroller; }
    GeneralSettingsPage* generalPage() const { return m_general; }
    ShortcutsSettingsPage* shortcutsPage() const { return m_shortcuts; }
    RulesSettingsPage* rulesPage() const { return m_rules; }
    PinboardsSettingsPage* pinboardsPage() const { return m_pinboards; }
    AboutSettingsPage* aboutPage() const { return m_about; }

private:
    static constexpr int windowMargin = 12;
    static constexpr int tabIconSize = 18;

    QSize fittingSize();

    QTabWidget* m_tabs = nullptr;
    QScrollArea* m_generalScroller = nullptr;
    GeneralSettingsPage* m_general = nullptr;
    ShortcutsSettingsPage* m_shortcuts = nullptr;
    RulesSettingsPage* m_rules = nullptr;
    PinboardsSettingsPage* m_pinboards = nullptr;
    AboutSettingsPage* m_about = nullptr;
    bool m_wasShown = false;
};

} // namespace quillbox
