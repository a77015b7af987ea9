#pragma once

#include "ui/PanelSearchField.h"

#include <QWidget>

class QAbstractButton;

namespace quillbox {

class AppState;

// The search bar: magnifying glass, the search field bound to the panel's
// search text, and a clear button while there is text.
class SearchBarView : public QWidget {
    Q_OBJECT
public:
    SearchBarView(AppState& appState, PanelSearchField::ClipboardText clipboardText,
                  QWidget* parent = nullptr);

    PanelSearchField* field() const { return m_field; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showQuery(const QString& query);

    AppState& m_appState;
    PanelSearchField* m_field;
    QAbstractButton* m_clearButton;
};

} // namespace quillbox
