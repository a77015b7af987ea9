#include "core/FallbackColorSampler.h"

#include <QPointer>
#include <QTimer>

namespace quillbox {

FallbackColorSampler::FallbackColorSampler(ColorSampler& preferred, ColorSampler& fallback,
                                           QObject* parent)
    : QObject(parent)
    , m_preferred(preferred)
    , m_fallback(fallback) {
}

bool FallbackColorSampler::isAvailable() const {
    return m_preferred.isAvailable() || m_fallback.isAvailable();
}

void FallbackColorSampler::sample(Completion completion) {
    if (m_preferred.isAvailable()) {
        QPointer<FallbackColorSampler> self(this);
        m_preferred.sample([self, completion](std::optional<QColor> color) {
            if (!color && self && !self->m_preferred.isAvailable() &&
                self->m_fallback.isAvailable()) {
                self->m_fallback.sample(completion);
                return;
            }
            completion(color);
        });
        return;
    }
    if (m_fallback.isAvailable()) {
        m_fallback.sample(std::move(completion));
        return;
    }
    // Reported after sample() returns, as every sampler does.
    QTimer::singleShot(0, this, [completion] { completion(std::nullopt); });
}

} // namespace quillbox
