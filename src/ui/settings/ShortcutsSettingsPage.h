#pragma once

#include <QWidget>

namespace quillbox {

// The fixed table of Quillbox's keys, in Linux names, and how to reach the
// two global commands where global keys cannot be grabbed.
class ShortcutsSettingsPage : public QWidget {
    Q_OBJECT
public:
    struct Row {
        QString section;
        QString description;
        QString keys;
    };
    static const QList<Row>& rows();

    explicit ShortcutsSettingsPage(QWidget* parent = nullptr);
};

} // namespace quillbox
