#include "ui/settings/ShortcutsSettingsPage.h"

#include "ui/settings/SettingsSection.h"
#include "ui/settings/SettingsStyle.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
// Inset of a key label inside its box.
constexpr int keyPaddingX = 8;
constexpr int keyPaddingY = 4;
} // namespace

QList<ShortcutsSettingsPage::Row> ShortcutsSettingsPage::rows(const QString& panelKeys,
                                                              const QString& pasteStackKeys) {
    return {
        {u"Global"_s, u"Open Panel"_s, panelKeys},
        {u"Global"_s, u"Start / Stop Paste Stack"_s, pasteStackKeys},
        {u"In the Panel"_s, u"Select previous / next item"_s, u"\u2190 \u2192"_s},
        {u"In the Panel"_s, u"Paste selected item"_s, u"\u21A9"_s},
        {u"In the Panel"_s, u"Paste as plain text"_s, u"Shift+\u21A9"_s},
        {u"In the Panel"_s, u"Delete selected item"_s, u"Ctrl+Backspace"_s},
        {u"In the Panel"_s, u"Pause / Resume monitoring"_s, u"Ctrl+T"_s},
        {u"In the Panel"_s, u"Close panel / cancel color picker"_s, u"Esc"_s},
    };
}

ShortcutsSettingsPage::ShortcutsSettingsPage(const QString& panelKeys,
                                             const QString& pasteStackKeys, QWidget* parent)
    : QWidget(parent) {
    setObjectName(u"shortcutsSettingsPage"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(SettingsStyle::pageMargin, SettingsStyle::pageMargin / 2,
                               SettingsStyle::pageMargin, SettingsStyle::pageMargin);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QGroupBox* box = nullptr;
    QGridLayout* grid = nullptr;
    int index = 0;
    for (const auto& row : rows(panelKeys, pasteStackKeys)) {
        if (!box || box->title() != row.section) {
            box = new SettingsSection(row.section, this);
            box->setObjectName(row.section == u"Global"_s ? u"globalShortcuts"_s
                                                          : u"panelShortcuts"_s);
            grid = new QGridLayout(box);
            grid->setColumnStretch(0, 1);
            layout->addWidget(box);
        }
        auto* description = new QLabel(row.description, box);
        description->setObjectName(u"shortcutDescription%1"_s.arg(index));
        auto* keys = new QLabel(row.keys, box);
        keys->setObjectName(u"shortcutKeys%1"_s.arg(index));
        keys->setFont(mono);
        keys->setContentsMargins(keyPaddingX, keyPaddingY, keyPaddingX, keyPaddingY);
        keys->setFrameShape(QFrame::StyledPanel);
        const int line = grid->rowCount();
        grid->addWidget(description, line, 0);
        grid->addWidget(keys, line, 1, Qt::AlignRight);
        ++index;
    }
    layout->addWidget(
        SettingsStyle::caption(u"Custom shortcut recording will be available in a future update."_s,
                               u"shortcutRecordingNote"_s, this));
    layout->addWidget(SettingsStyle::caption(
        u"Where global keys are unavailable (Wayland sessions), bind the commands "
        "\"quillbox toggle\" and \"quillbox paste-stack\" to keys in your desktop's "
        "keyboard settings."_s,
        u"commandLineShortcutNote"_s, this));
    layout->addStretch(1);
}

} // namespace quillbox
