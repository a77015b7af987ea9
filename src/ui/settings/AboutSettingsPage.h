#pragma once

#include <QWidget>

namespace quillbox {

// Quillbox's icon, name, version, licence and where the history is kept.
class AboutSettingsPage : public QWidget {
    Q_OBJECT
public:
    // The version the program was built as; "1.0" when it was not told.
    static QString versionText();

    explicit AboutSettingsPage(const QString& historyLocation, QWidget* parent = nullptr);
};

} // namespace quillbox
