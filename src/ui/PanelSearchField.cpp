#include "ui/PanelSearchField.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace quillbox {

PanelSearchField::PanelSearchField(ClipboardText clipboardText, QWidget* parent)
    : QLineEdit(parent)
    , m_clipboardText(std::move(clipboardText)) {
    setAcceptDrops(false);
}

void PanelSearchField::pasteFromClipboard() {
    if (isReadOnly() || !m_clipboardText)
        return;
    std::optional<QString> text = m_clipboardText();
    if (!text)
        return;
    // A single-line field: line breaks become spaces, as the toolkit does.
    text->replace(u"\r\n"_s, u" "_s).replace(u'\n', u' ').replace(u'\r', u' ');
    insert(*text);
}

void PanelSearchField::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Paste) {
        pasteFromClipboard();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void PanelSearchField::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void PanelSearchField::mouseReleaseEvent(QMouseEvent* event) {
    // The toolkit pastes the selection on the middle button's release.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void PanelSearchField::contextMenuEvent(QContextMenuEvent* event) {
    // The toolkit's own menu asks the clipboard whether Paste is possible,
    // which can wait on another program: this one does not ask.
    QMenu menu(this);
    menu.setObjectName(u"searchFieldMenu"_s);
    const bool hasSelection = hasSelectedText();
    menu.addAction(tr("Undo"), this, &QLineEdit::undo)->setEnabled(isUndoAvailable());
    menu.addAction(tr("Redo"), this, &QLineEdit::redo)->setEnabled(isRedoAvailable());
    menu.addSeparator();
    menu.addAction(tr("Cut"), this, &QLineEdit::cut)->setEnabled(hasSelection);
    menu.addAction(tr("Copy"), this, &QLineEdit::copy)->setEnabled(hasSelection);
    menu.addAction(tr("Paste"), this, &PanelSearchField::pasteFromClipboard);
    menu.addAction(tr("Delete"), this, &QLineEdit::del)->setEnabled(hasSelection);
    menu.addSeparator();
    menu.addAction(tr("Select All"), this, &QLineEdit::selectAll)->setEnabled(!text().isEmpty());
    menu.exec(event->globalPos());
}

} // namespace quillbox
