#pragma once

#include "ports/ColorSampler.h"

#include <QList>
#include <QObject>
#include <QPointer>

namespace quillbox {

class ColorSamplerOverlay;

// Quillbox's own colour sampler for X11 desktops without a colour picker
// portal: freezes every screen and covers each with a ColorSamplerOverlay;
// the first pick or cancel on any of them ends the sampling.
class OverlayColorSampler : public QObject, public ColorSampler {
    Q_OBJECT
public:
    explicit OverlayColorSampler(QObject* parent = nullptr);
    ~OverlayColorSampler() override;

    // Screens can be grabbed only where the display server allows it (X11,
    // not Wayland).
    bool isAvailable() const override;
    void sample(Completion completion) override;

    // The overlays on screen while sampling (for tests and the caller's
    // bookkeeping); empty otherwise.
    QList<ColorSamplerOverlay*> overlays() const;

private:
    void finish(std::optional<QColor> color);
    void closeOverlays();

    QList<QPointer<ColorSamplerOverlay>> m_overlays;
    Completion m_completion;
    bool m_isSampling = false;
};

} // namespace quillbox
