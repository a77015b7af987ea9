#include "core/ColorPickerService.h"

#include "capture/ClipboardParser.h"
#include "content/AppConstants.h"
#include "content/ColorHex.h"
#include "content/PasteboardTypes.h"
#include "core/PasteboardSnapshot.h"
#include "core/SoundManager.h"
#include "history/HistoryStore.h"
#include "ports/ColorSampler.h"

namespace quillbox {

namespace {

QColor inSRGB(const QColor& color) {
    const QColor rgb = color.toRgb();
    return rgb.isValid() ? rgb : color;
}

} // namespace

ColorPickerService::ColorPickerService(ColorSampler& sampler, Pasteboard& pasteboard,
                                       SoundManager& sounds, QObject* parent)
    : QObject(parent)
    , m_sampler(sampler)
    , m_pasteboard(pasteboard)
    , m_sounds(sounds) {
}

void ColorPickerService::pickColor(HistoryStore& store, Completion completion) {
    if (m_isSampling)
        return;
    m_isSampling = true;
    const quint64 request = ++m_request;
    m_store = &store;
    m_completion = std::move(completion);

    QPointer<ColorPickerService> self(this);
    m_sampler.sample([self, request](std::optional<QColor> color) {
        if (!self)
            return;
        // Samplers report on the main thread; should one not, the report
        // still reaches the service on its own thread.
        QMetaObject::invokeMethod(
            self.data(),
            [self, request, color] {
                if (self)
                    self->finishSampling(request, color);
            },
            Qt::AutoConnection);
    });
}

void ColorPickerService::finishSampling(quint64 request, std::optional<QColor> color) {
    if (!m_isSampling || request != m_request)
        return;
    m_isSampling = false;
    const Completion completion = std::exchange(m_completion, {});
    const QPointer<HistoryStore> store = std::exchange(m_store, nullptr);

    ClipboardItemPtr item;
    if (color && store) {
        item = record(*color, *store, m_pasteboard);
        if (item)
            m_sounds.playCopySound();
    }
    if (completion)
        completion(item);
}

QString ColorPickerService::hexString(const QColor& color) {
    return quillbox::hexString(color);
}

PasteboardItem ColorPickerService::pasteboardItem(const QColor& color) {
    const QColor rgb = inSRGB(color);
    PasteboardItem item;
    item.setData(encodeColorData(rgb), PasteboardType::color);
    item.setString(hexString(rgb), PasteboardType::string);
    item.setData(QByteArray(), AppConstants::internalPasteboardType);
    return item;
}

ClipboardItemPtr ColorPickerService::record(const QColor& color, HistoryStore& store,
                                            Pasteboard& pasteboard) {
    const PasteboardItem item = pasteboardItem(color);
    pasteboard.write({item});
    // The desktop clipboard may learn its new contents only later (on X11 it
    // reads them back from the owner, asynchronously), so the parser reads
    // exactly what was written instead.
    const auto parsed = ClipboardParser::parse(PasteboardSnapshot({item}));
    if (!parsed)
        return nullptr;
    return store.record(*parsed, AppConstants::applicationID, sourceAppName);
}

} // namespace quillbox
