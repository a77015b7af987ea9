#pragma once

#include "ui/settings/SettingsContext.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace quillbox {

// Launch at login, how long history stays, screenshots, sounds and paste
// access. Each control writes a preference or acts on a service at once.
class GeneralSettingsPage : public QWidget {
    Q_OBJECT
public:
    // Retention choices: label and days (below 1 keeps forever).
    struct RetentionChoice {
        QString label;
        int days;
    };
    static const QList<RetentionChoice>& retentionChoices();

    explicit GeneralSettingsPage(SettingsContext context, QWidget* parent = nullptr);

    // Reads the login item's and the paste access's actual state again.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeStartupSection();
    QWidget* makeHistorySection();
    QWidget* makeScreenshotSection();
    QWidget* makeSoundSection();
    QWidget* makeAccessSection();
    void setLaunchAtLogin(bool wanted);
    void retentionChosen(int index);
    void showAccess(bool granted);

    SettingsContext m_context;
    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_launchAtLoginError = nullptr;
    QComboBox* m_retention = nullptr;
    QFrame* m_accessRow = nullptr;
    QLabel* m_accessIcon = nullptr;
    QLabel* m_accessText = nullptr;
    QPushButton* m_grantAccess = nullptr;
};

} // namespace quillbox
