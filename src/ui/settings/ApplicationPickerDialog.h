#pragma once

#include "ports/InstalledApplications.h"

#include <QDialog>

class QLineEdit;
class QListWidget;

namespace quillbox {

// Chooses an application to exclude: the installed ones, searchable by name
// or identifier, or any file ("Choose File…").
class ApplicationPickerDialog : public QDialog {
    Q_OBJECT
public:
    explicit ApplicationPickerDialog(InstalledApplications& applications,
                                     QWidget* parent = nullptr);

    // Shows the applications whose name or identifier holds the text.
    void setFilter(const QString& text);
    int visibleCount() const;
    // Picks the application a file stands for, as the file chooser does.
    void chooseFile(const QString& path);

Q_SIGNALS:
    void applicationChosen(const quillbox::InstalledApplication& application);

private:
    void acceptCurrent();

    InstalledApplications& m_applications;
    QList<InstalledApplication> m_all;
    QLineEdit* m_search = nullptr;
    QListWidget* m_list = nullptr;
};

} // namespace quillbox
