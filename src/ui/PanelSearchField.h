#pragma once

#include <QLineEdit>
#include <functional>
#include <optional>

namespace quillbox {

// The search text field. Pasting into it reads the clipboard through
// Quillbox's own reader: the toolkit's clipboard would stop the whole
// interface for seconds when the clipboard's owner does not answer. For the
// same reason the middle-button paste of the selection and drops are off.
class PanelSearchField : public QLineEdit {
    Q_OBJECT
public:
    using ClipboardText = std::function<std::optional<QString>()>;

    explicit PanelSearchField(ClipboardText clipboardText, QWidget* parent = nullptr);

    // Inserts the clipboard's text at the cursor, replacing the selection.
    void pasteFromClipboard();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ClipboardText m_clipboardText;
};

} // namespace quillbox
