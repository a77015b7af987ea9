#pragma once

#include "core/PanelWindowPort.h"

#include <QRect>
#include <QSize>
#include <QWidget>
#include <memory>

class QScreen;
class QVariantAnimation;

namespace quillbox {

class Preferences;
class RoundedHud;
class WindowHints;
class WindowResizeGrips;

// The floating, frameless, rounded window that carries the panel's content.
// It comes up centred on the screen under the pointer with a short grow and
// fade, can be resized at its edges and corners and keeps the size the user
// gave it, stays out of the task bar and the pager, and says when it lost the
// keyboard focus so the panel can close.
class PanelWindow : public QWidget, public PanelWindowPort {
    Q_OBJECT
public:
    static constexpr QSize defaultSize{1100, 340};
    static constexpr QSize minimumPanelSize{480, 200};
    static constexpr int maximumHeight = 600;
    static constexpr int screenMargin = 60;
    static constexpr int cornerRadius = 26;

    // `hints` may be null (tests without a window manager).
    PanelWindow(QWidget* content, Preferences& preferences, WindowHints* hints,
                QWidget* parent = nullptr);
    ~PanelWindow() override;

    void showPanel() override;
    void hidePanel() override;
    bool isShowing() const override { return m_isShowing; }

    // The panel's size on a screen whose usable area is `available`: the
    // stored size, else the default, within the limits and the margin.
    static QSize savedSize(const Preferences& preferences, const QRect& available);
    // The frame the panel takes on a screen.
    static QRect targetFrame(const Preferences& preferences, const QRect& available);

    // The animation is over (for tests and benchmarks).
    bool isAnimating() const;

Q_SIGNALS:
    // The panel finished hiding and left the screen.
    void panelHidden();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QScreen* targetScreen() const;
    void animate(const QRect& from, const QRect& to, qreal fromOpacity, qreal toOpacity,
                 int durationMs, bool easeOut);

    Preferences& m_preferences;
    WindowHints* m_hints;
    bool m_isShowing = false;
    std::unique_ptr<RoundedHud> m_hud;
    QVariantAnimation* m_animation;
    WindowResizeGrips* m_grips;
    // The window manager took the focus to resize; it should come back.
    bool m_isFocusLent = false;
};

} // namespace quillbox
