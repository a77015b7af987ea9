#pragma once

#include <QWidget>

class QLabel;
class QStackedWidget;

namespace quillbox {

class AccessibilityManager;
class PasteStackManager;
class StackItemList;

// What the Paste Stack window shows, top to bottom: the title with the stop
// button, the permission banner while paste access is missing, the items
// (or how to start), and how far the pasting has come. It follows the stack
// and the permission live.
class PasteStackView : public QWidget {
    Q_OBJECT
public:
    // `stopKeys` names the key combination that ends the run ("Super+Shift+C");
    // `pasteNextHint`, where not empty, what pastes each item in place of
    // Ctrl+V ("Press Super+Shift+N to paste the next item").
    PasteStackView(PasteStackManager& manager, AccessibilityManager& accessibility,
                   const QString& stopKeys, const QString& pasteNextHint = {},
                   QWidget* parent = nullptr);

    // "No items", or how many of the items were pasted: "1 of 3 pasted".
    static QString progressText(int currentIndex, qsizetype itemCount);

    StackItemList* list() const { return m_list; }

private:
    void stackChanged();

    PasteStackManager& m_manager;
    QWidget* m_banner = nullptr;
    QStackedWidget* m_body = nullptr;
    QWidget* m_emptyState = nullptr;
    StackItemList* m_list = nullptr;
    QLabel* m_progress = nullptr;
    QLabel* m_pasteNextHint = nullptr;
};

} // namespace quillbox
