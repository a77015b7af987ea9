#pragma once

#include <QWidget>

namespace quillbox {

// The table of Quillbox's keys, in Linux names, and how to reach the two
// global commands where global keys cannot be grabbed. The global keys are
// the ones registered, which the preferences may have changed.
class ShortcutsSettingsPage : public QWidget {
    Q_OBJECT
public:
    struct Row {
        QString section;
        QString description;
        QString keys;
    };
    static QList<Row> rows(const QString& panelKeys, const QString& pasteStackKeys);

    ShortcutsSettingsPage(const QString& panelKeys, const QString& pasteStackKeys,
                          QWidget* parent = nullptr);
};

} // namespace quillbox
