#pragma once

#include "ui/PanelGlyphs.h"

#include <QAbstractButton>

namespace quillbox {

// A round icon button of the panel's header: the glyph on a faint disc,
// brighter while the pointer is over it, with its help as the tooltip.
class PanelIconButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int diameter = 34;

    PanelIconButton(PanelGlyph glyph, const QString& help, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {diameter, diameter}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    PanelGlyph m_glyph;
    bool m_isHovered = false;
};

} // namespace quillbox
