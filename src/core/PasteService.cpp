#include "core/PasteService.h"

#include "content/AppConstants.h"
#include "content/ContentCategory.h"
#include "content/Logging.h"
#include "content/PasteboardTypes.h"
#include "core/AccessibilityManager.h"
#include "core/SoundManager.h"
#include "history/HistoryStore.h"

#include <QDateTime>
#include <QTimer>
#include <utility>

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

QString PasteService::clipboardRefusedText() {
    return QStringLiteral("Quillbox could not set the clipboard.");
}

QString PasteService::pasteByHandText() {
    return QStringLiteral("Quillbox cannot send keys to other applications here: the item is on "
                          "the clipboard, press Ctrl+V to paste it.");
}

bool PasteService::paste(const ClipboardItemPtr& item, bool asPlainText, PasteDone done) {
    if (!copy(item, asPlainText)) {
        finishPaste(PasteOutcome::notCopied, done);
        return false;
    }
    m_sounds.playPasteSound();
    m_accessibility.checkAccess();
    if (!m_accessibility.isAccessibilityGranted()) {
        m_accessibility.requestAccess();
        finishPaste(PasteOutcome::copiedOnly, done);
        return true;
    }
    QTimer::singleShot(pasteKeystrokeDelay, this, [this, done = std::move(done)] {
        simulateCommandV([this, done](bool sent) {
            finishPaste(sent ? PasteOutcome::pasted : PasteOutcome::copiedOnly, done);
        });
    });
    return true;
}

void PasteService::finishPaste(PasteOutcome outcome, const PasteDone& done) {
    if (done) {
        done(outcome);
        return;
    }
    if (outcome == PasteOutcome::notCopied) {
        qCWarning(lcApp) << "Quillbox: could not set the clipboard; nothing was pasted";
        Q_EMIT pasteStoppedShort(clipboardRefusedText());
    } else if (outcome == PasteOutcome::copiedOnly) {
        qCInfo(lcApp) << "Quillbox: no paste keys were sent; the item is on the clipboard";
        if (!std::exchange(m_hasAdvisedPasteByHand, true))
            Q_EMIT pasteStoppedShort(pasteByHandText());
    }
}

void PasteService::simulateCommandV(KeystrokeSender::Outcome done) {
    m_keystrokes.sendPasteKeystroke(std::move(done));
}

} // namespace quillbox
