#pragma once

#include "core/PasteStackWindowPort.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <memory>
#include <optional>

namespace quillbox {

class PasteStackView;
class RoundedHud;
class WindowHints;

// The small floating window of a running Paste Stack, in the top-right
// corner of the screen under the pointer: the items collected, which one the
// next Ctrl+V pastes, and a button to stop. It never takes the keyboard
// focus, so typing and pasting go on in the user's application; it can be
// dragged by its background.
class PasteStackWindow : public QWidget, public PasteStackWindowPort {
    Q_OBJECT
public:
    static constexpr QSize windowSize{300, 320};
    static constexpr int screenMargin = 16;
    static constexpr int cornerRadius = 18;

    // `hints` may be null (tests without a window manager).
    PasteStackWindow(const PasteStackSetup& setup, WindowHints* hints, QWidget* parent = nullptr);
    ~PasteStackWindow() override;

    void show() override;
    void hide() override;
    bool isShowing() const override { return isVisible(); }

    // The window's frame on a screen whose usable area is `available`.
    static QRect targetFrame(const QRect& available);

    PasteStackView* view() const { return m_view; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    WindowHints* m_hints;
    PasteStackView* m_view;
    std::unique_ptr<RoundedHud> m_hud;
    // Where the pointer took hold of the background, while it is dragged.
    std::optional<QPoint> m_dragOffset;
};

} // namespace quillbox
