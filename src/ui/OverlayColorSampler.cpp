#include "ui/OverlayColorSampler.h"

#include "content/Logging.h"
#include "ui/ColorSamplerOverlay.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace quillbox {

OverlayColorSampler::OverlayColorSampler(QObject* parent)
    : QObject(parent) {
}

OverlayColorSampler::~OverlayColorSampler() {
    closeOverlays();
}

bool OverlayColorSampler::isAvailable() const {
    return !QGuiApplication::platformName().startsWith(u"wayland") &&
           !QGuiApplication::screens().isEmpty();
}

QList<ColorSamplerOverlay*> OverlayColorSampler::overlays() const {
    QList<ColorSamplerOverlay*> result;
    for (const auto& overlay : m_overlays) {
        if (overlay)
            result.append(overlay.data());
    }
    return result;
}

void OverlayColorSampler::sample(Completion completion) {
    if (m_isSampling) {
        QTimer::singleShot(0, this, [completion] { completion(std::nullopt); });
        return;
    }
    m_isSampling = true;
    m_completion = std::move(completion);

    const QPoint pointer = QCursor::pos();
    ColorSamplerOverlay* underPointer = nullptr;
    // Every screen is frozen before any overlay shows, so no overlay is in
    // another screen's picture.
    QList<std::pair<QScreen*, QImage>> frozen;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QPixmap picture = screen->grabWindow(0);
        if (!picture.isNull())
            frozen.append({screen, picture.toImage()});
    }
    for (const auto& [screen, image] : frozen) {
        auto* overlay = new ColorSamplerOverlay(image, screen->geometry());
        connect(overlay, &ColorSamplerOverlay::picked, this,
                [this](const QColor& color) { finish(color); });
        connect(overlay, &ColorSamplerOverlay::cancelled, this, [this] { finish(std::nullopt); });
        m_overlays.append(overlay);
        overlay->show();
        overlay->raise();
        if (!underPointer || screen->geometry().contains(pointer))
            underPointer = overlay;
    }
    if (!underPointer) {
        qCWarning(lcUi, "Quillbox: could not capture the screen for the colour sampler");
        QTimer::singleShot(0, this, [this] { finish(std::nullopt); });
        return;
    }
    underPointer->grabKeys();
}

void OverlayColorSampler::finish(std::optional<QColor> color) {
    if (!m_isSampling)
        return;
    m_isSampling = false;
    closeOverlays();
    const Completion completion = std::exchange(m_completion, {});
    if (completion)
        completion(color);
}

void OverlayColorSampler::closeOverlays() {
    for (const auto& overlay : std::exchange(m_overlays, {})) {
        if (overlay) {
            if (overlay->windowHandle())
                overlay->windowHandle()->setKeyboardGrabEnabled(false);
            overlay->close();
        }
    }
}

} // namespace quillbox
