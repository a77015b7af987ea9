#pragma once

#include <QAbstractButton>
#include <QColor>
#include <optional>

namespace quillbox {

// A filter chip or pinboard tab: a title on a capsule, an optional coloured
// dot before it (tabs), the accent fill when selected, a lighter fill while
// the pointer is over it (chips).
class CapsuleButton : public QAbstractButton {
    Q_OBJECT
public:
    struct Style {
        QColor fill;         // at rest
        QColor hoverFill;    // the pointer over it
        QColor selectedFill; // selected
        QColor text;
        QColor selectedText;
        std::optional<QColor> dot; // tabs only
    };

    CapsuleButton(const QString& title, Style style, QWidget* parent = nullptr);

    bool isSelected() const { return m_isSelected; }
    void setSelected(bool selected);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Style m_style;
    bool m_isSelected = false;
    bool m_isHovered = false;
};

} // namespace quillbox
