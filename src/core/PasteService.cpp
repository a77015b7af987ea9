#include "core/PasteService.h"

#include "content/AppConstants.h"
#include "content/ContentCategory.h"
#include "content/PasteboardTypes.h"
#include "core/AccessibilityManager.h"
#include "core/SoundManager.h"
#include "history/HistoryStore.h"
#include "ports/KeystrokeSender.h"

#include <QDateTime>
#include <QTimer>

namespace quillbox {

PasteService::PasteService(Pasteboard& pasteboard, HistoryStore& store, KeystrokeSender& keystrokes,
                           AccessibilityManager& accessibility, SoundManager& sounds,
                           QObject* parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_store(store)
    , m_keystrokes(keystrokes)
    , m_accessibility(accessibility)
    , m_sounds(sounds) {
}

QList<PasteboardItem> PasteService::pasteboardItems(const ClipboardItem& item, bool asPlainText) {
    QList<PasteboardItem> items;
    const std::optional<ContentCategory> kind = item.contentCategory();
    if (asPlainText) {
        PasteboardItem plain;
        if (const auto text = item.plainText())
            plain.setString(*text, PasteboardType::string);
        items.append(plain);
    } else if (const QList<QUrl> urls =
                   kind == ContentCategory::file ? item.fileURLs() : QList<QUrl>{};
               !urls.isEmpty()) {
        for (const QUrl& url : urls) {
            PasteboardItem file;
            file.setString(QString::fromUtf8(url.toEncoded()), PasteboardType::fileURL);
            file.setString(url.isLocalFile() ? url.toLocalFile() : url.path(),
                           PasteboardType::string);
            items.append(file);
        }
    } else {
        PasteboardItem one;
        one.setData(item.content(), item.contentType());
        if (kind == ContentCategory::url)
            if (const auto url = item.urlString())
                one.setString(*url, PasteboardType::url);
        // Images never get a text flavour, and text captured as plain text is
        // not written twice.
        if (const auto text = item.plainText();
            text && item.contentType() != PasteboardType::string && kind != ContentCategory::image)
            one.setString(*text, PasteboardType::string);
        items.append(one);
    }
    items.first().setData({}, AppConstants::internalPasteboardType);
    return items;
}

bool PasteService::write(const ClipboardItem& item, bool asPlainText, Pasteboard& pasteboard) {
    return pasteboard.write(pasteboardItems(item, asPlainText));
}

bool PasteService::copy(const ClipboardItemPtr& item, bool asPlainText) {
    if (!item || !write(*item, asPlainText, m_pasteboard))
        return false;
    m_store.setCopiedAt(item, QDateTime::currentDateTimeUtc());
    m_store.save();
    return true;
}

bool PasteService::paste(const ClipboardItemPtr& item, bool asPlainText) {
    if (!copy(item, asPlainText))
        return false;
    m_sounds.playPasteSound();
    m_accessibility.checkAccess();
    if (m_accessibility.isAccessibilityGranted()) {
        QTimer::singleShot(pasteKeystrokeDelay, this, [this] { simulateCommandV(); });
    } else {
        m_accessibility.requestAccess();
    }
    return true;
}

void PasteService::simulateCommandV() {
    m_keystrokes.sendPasteKeystroke();
}

} // namespace quillbox
