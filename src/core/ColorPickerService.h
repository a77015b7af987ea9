#pragma once

#include "ports/Pasteboard.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

namespace quillbox {

class ClipboardItem;
class ColorSampler;
class HistoryStore;
class SoundManager;
using ClipboardItemPtr = std::shared_ptr<ClipboardItem>;

// Lets the user pick a colour anywhere on screen and records it as a history
// item whose text is its hexadecimal code. One sampler runs at a time.
class ColorPickerService : public QObject {
    Q_OBJECT
public:
    // The recorded item, or null when the user cancelled or nothing was recorded.
    using Completion = std::function<void(ClipboardItemPtr)>;

    static inline const QString sourceAppName = QStringLiteral("Color Picker");

    // `pasteboard` is the system clipboard that picked colours are written to.
    ColorPickerService(ColorSampler& sampler, Pasteboard& pasteboard, SoundManager& sounds,
                       QObject* parent = nullptr);

    // Shows the sampler; the completion runs on the main thread once the user
    // has picked or cancelled. While a sampler is showing, a further call does
    // nothing and its completion never runs.
    void pickColor(HistoryStore& store, Completion completion);
    bool isSampling() const { return m_isSampling; }

    // "#RRGGBB" of the colour in sRGB.
    static QString hexString(const QColor& color);

    // Writes the colour to the clipboard (colour, its code as text, and the
    // internal marker so capture skips it) and records it with Quillbox as
    // the source. Returns the item, or null when nothing was recorded.
    ClipboardItemPtr record(const QColor& color, HistoryStore& store, Pasteboard& pasteboard);

    // The one item a picked colour is written as.
    static PasteboardItem pasteboardItem(const QColor& color);

private:
    void finishSampling(quint64 request, std::optional<QColor> color);

    ColorSampler& m_sampler;
    Pasteboard& m_pasteboard;
    SoundManager& m_sounds;

    bool m_isSampling = false;
    // Tells the running request's report from a stray one.
    quint64 m_request = 0;
    QPointer<HistoryStore> m_store;
    Completion m_completion;
};

} // namespace quillbox
