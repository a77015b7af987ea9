#include "content/HtmlText.h"

#include <QTextDocument>
#include <QUrl>
#include <QVariant>

namespace quillbox::HtmlText {

namespace {

// A document that answers every resource with nothing. The default one reads
// a linked style sheet from any local path the markup names (a relative one
// from the working directory), and a process-wide provider may fetch more: a
// copied fragment must make Quillbox open nothing.
class OfflineDocument : public QTextDocument {
public:
    OfflineDocument() {
        setResourceProvider([](const QUrl&) { return QVariant(); });
    }

protected:
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

} // namespace

std::optional<QString> plainText(QByteArrayView html) {
    qsizetype length = std::min(html.size(), readLength);
    // Back to the first byte of a character: never half of one.
    while (length > 0 && length < html.size() && (quint8(html[length]) & 0xC0) == 0x80)
        --length;
    OfflineDocument document;
    document.setUndoRedoEnabled(false);
    document.setHtml(QString::fromUtf8(html.first(length)));
    QString text = document.toPlainText();
    // Images and other embedded objects stand as U+FFFC in the text.
    text.remove(QChar::ObjectReplacementCharacter);
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

} // namespace quillbox::HtmlText
