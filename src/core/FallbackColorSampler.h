#pragma once

#include "ports/ColorSampler.h"

#include <QObject>

namespace quillbox {

// Samples with the preferred sampler (the desktop's own) while it is
// available, and with the fallback (Quillbox's own) once it is not. A
// preferred sampler that reports nothing and is then no longer available has
// found itself missing: the same request goes on to the fallback, so the user
// is not left without a sampler on the first try.
class FallbackColorSampler : public QObject, public ColorSampler {
    Q_OBJECT
public:
    FallbackColorSampler(ColorSampler& preferred, ColorSampler& fallback,
                         QObject* parent = nullptr);

    bool isAvailable() const override;
    void sample(Completion completion) override;

private:
    ColorSampler& m_preferred;
    ColorSampler& m_fallback;
};

} // namespace quillbox
