#include "linux/desktop/ClipboardMime.h"

#include "content/PasteboardTypes.h"

#include <QSet>
#include <QStringDecoder>

namespace quillbox::ClipboardMime {

namespace {

const QList<QByteArray>& textTargets() {
    // In order of preference; the first three are UTF-8 in practice. STRING,
    // Latin-1 by ICCCM, is the last resort for old clients that offer no other.
    static const QList<QByteArray> targets{
        QByteArrayLiteral("UTF8_STRING"), QByteArrayLiteral("text/plain;charset=utf-8"),
        QByteArrayLiteral("text/plain"), QByteArrayLiteral("STRING")};
    return targets;
}

const QList<QByteArray>& rtfTargets() {
    static const QList<QByteArray> targets{QByteArrayLiteral("text/rtf"),
                                           QByteArrayLiteral("application/rtf")};
    return targets;
}

const QList<QByteArray>& htmlTargets() {
    // Browsers, GTK, Qt and office suites offer text/html; a charset makes it
    // certain the bytes are UTF-8.
    static const QList<QByteArray> targets{QByteArrayLiteral("text/html;charset=utf-8"),
                                           QByteArrayLiteral("text/html")};
    return targets;
}

const QList<QByteArray>& imageTargets() {
    // PNG first, as the parser prefers it; only one image is ever fetched.
    static const QList<QByteArray> targets{QByteArrayLiteral("image/png"),
                                           QByteArrayLiteral("image/tiff"),
                                           QByteArrayLiteral("image/jpeg")};
    return targets;
}

// MIME names are case-insensitive; atom names of markers are not, so only the
// known MIME targets are compared without regard to case.
bool sameMime(const QByteArray& a, const QByteArray& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<QByteArray> firstOffered(const QList<QByteArray>& preferred,
                                       const QList<QByteArray>& offered) {
    for (const auto& wanted : preferred) {
        for (const auto& target : offered) {
            if (sameMime(target, wanted))
                return target;
        }
    }
    return std::nullopt;
}

bool containsMime(const QList<QByteArray>& list, const QByteArray& target) {
    for (const auto& entry : list) {
        if (sameMime(entry, target))
            return true;
    }
    return false;
}

} // namespace

bool isPseudoTarget(const QByteArray& target) {
    // ICCCM's side-effect and information targets, and the clipboard managers'.
    static const QSet<QByteArray> pseudo{QByteArrayLiteral("TARGETS"),
                                         QByteArrayLiteral("MULTIPLE"),
                                         QByteArrayLiteral("TIMESTAMP"),
                                         QByteArrayLiteral("SAVE_TARGETS"),
                                         QByteArrayLiteral("DELETE"),
                                         QByteArrayLiteral("INCR"),
                                         QByteArrayLiteral("INSERT_SELECTION"),
                                         QByteArrayLiteral("INSERT_PROPERTY"),
                                         QByteArrayLiteral("LENGTH"),
                                         QByteArrayLiteral("CLIENT_WINDOW"),
                                         QByteArrayLiteral("HOST_NAME"),
                                         QByteArrayLiteral("USER"),
                                         QByteArrayLiteral("OWNER_OS"),
                                         QByteArrayLiteral("PROCESS"),
                                         QByteArrayLiteral("TASK"),
                                         QByteArrayLiteral("NAME"),
                                         QByteArrayLiteral("CLASS"),
                                         QByteArrayLiteral("LIST_LENGTH"),
                                         QByteArrayLiteral("SPAN"),
                                         QByteArrayLiteral("CHARACTER_POSITION"),
                                         QByteArrayLiteral("LINE_NUMBER"),
                                         QByteArrayLiteral("COLUMN_NUMBER"),
                                         QByteArrayLiteral("FILE_NAME"),
                                         QByteArrayLiteral("_NET_WM_NAME")};
    return pseudo.contains(target);
}

std::optional<QString> typeForTarget(const QByteArray& target) {
    if (target.isEmpty() || isPseudoTarget(target) || sameMime(target, uriListTarget) ||
        target == gnomeCopiedFilesTarget)
        return std::nullopt;
    if (containsMime(textTargets(), target))
        return PasteboardType::string;
    if (containsMime(rtfTargets(), target))
        return PasteboardType::rtf;
    if (containsMime(htmlTargets(), target))
        return PasteboardType::html;
    if (sameMime(target, "image/png"))
        return PasteboardType::png;
    if (sameMime(target, "image/tiff"))
        return PasteboardType::tiff;
    if (sameMime(target, "image/jpeg"))
        return PasteboardType::jpeg;
    if (sameMime(target, mozUrlTarget))
        return PasteboardType::url;
    if (sameMime(target, colorTarget))
        return PasteboardType::color;
    // KeePassXC and other password managers flag secrets with KDE's hint.
    if (target == "x-kde-passwordManagerHint" || target == "text/x-kde-passwordManagerHint")
        return PasteboardType::concealed;
    return QString::fromLatin1(target);
}

std::optional<QByteArray> preferredTextTarget(const QList<QByteArray>& offered) {
    return firstOffered(textTargets(), offered);
}

std::optional<QByteArray> preferredRtfTarget(const QList<QByteArray>& offered) {
    return firstOffered(rtfTargets(), offered);
}

std::optional<QByteArray> preferredHtmlTarget(const QList<QByteArray>& offered) {
    return firstOffered(htmlTargets(), offered);
}

std::optional<QByteArray> preferredImageTarget(const QList<QByteArray>& offered) {
    return firstOffered(imageTargets(), offered);
}

QList<QByteArray> targetsToFetch(const QList<QByteArray>& offered) {
    // Content flagged as secret or passing is never asked for: a password
    // manager's secret does not even cross into this process.
    for (const auto& target : offered) {
        const auto type = typeForTarget(target);
        if (type && PasteboardType::ignoredMarkers().contains(*type))
            return {};
    }
    QList<QByteArray> result;
    const auto rtf = preferredRtfTarget(offered);
    const auto image = preferredImageTarget(offered);
    const auto color = firstOffered({colorTarget}, offered);
    const auto html = rtf || image || color ? std::nullopt : preferredHtmlTarget(offered);
    for (const auto& found : {preferredTextTarget(offered), rtf, html, image,
                              firstOffered({uriListTarget, gnomeCopiedFilesTarget}, offered),
                              firstOffered({mozUrlTarget}, offered), color}) {
        if (found)
            result.append(*found);
    }
    return result;
}

QString decodeText(const QByteArray& bytes, const QByteArray& target) {
    QByteArray text = bytes;
    while (text.endsWith('\0'))
        text.chop(1);
    return target == "STRING" ? QString::fromLatin1(text) : QString::fromUtf8(text);
}

std::optional<QByteArray> textAsSentInUtf8(const QByteArray& bytes, const QByteArray& target) {
    if (target == "STRING")
        return std::nullopt;
    QByteArray text = bytes;
    while (text.endsWith('\0'))
        text.chop(1);
    // Decoding drops a byte-order mark and replaces what is not UTF-8.
    if (text.startsWith("\xef\xbb\xbf") || !QByteArrayView(text).isValidUtf8())
        return std::nullopt;
    return text;
}

QByteArray htmlAsUtf8(const QByteArray& bytes) {
    const auto decoded = [&bytes](QStringConverter::Encoding encoding, qsizetype skip) {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
        QString text = decoder(bytes.sliced(skip));
        while (text.endsWith(QChar(u'\0')))
            text.chop(1);
        return text.toUtf8();
    };
    if (bytes.startsWith("\xff\xfe"))
        return decoded(QStringConverter::Utf16LE, 2);
    if (bytes.startsWith("\xfe\xff"))
        return decoded(QStringConverter::Utf16BE, 2);
    // Without a byte-order mark, UTF-16 gives itself away by the zero high
    // byte of the markup's first character; UTF-8 never has a NUL there.
    if (bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.at(0) != '\0' && bytes.at(1) == '\0')
        return decoded(QStringConverter::Utf16LE, 0);
    QByteArray text = bytes.startsWith("\xef\xbb\xbf") ? bytes.sliced(3) : bytes;
    while (text.endsWith('\0'))
        text.chop(1);
    return text;
}

std::optional<QString> decodeMozUrl(const QByteArray& bytes) {
    QString text;
    const auto decode = [&bytes](QStringConverter::Encoding encoding, qsizetype skip) {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
        return QString(decoder(bytes.sliced(skip)));
    };
    if (bytes.startsWith("\xff\xfe"))
        text = decode(QStringConverter::Utf16LE, 2);
    else if (bytes.startsWith("\xfe\xff"))
        text = decode(QStringConverter::Utf16BE, 2);
    // Without a byte order mark, a URL's ASCII characters give away UTF-16 by
    // their zero high bytes; Firefox and Qt write it in the machine's order.
    else if (bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.at(1) == '\0')
        text = decode(QStringConverter::Utf16LE, 0);
    else if (bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.at(0) == '\0')
        text = decode(QStringConverter::Utf16BE, 0);
    else
        text = QString::fromUtf8(bytes);
    QString line = text.section(QLatin1Char('\n'), 0, 0);
    line.remove(QLatin1Char('\r'));
    line.remove(QChar(u'\0'));
    line = line.trimmed();
    if (line.isEmpty())
        return std::nullopt;
    return line;
}

QList<QByteArray> uriListEntries(const QByteArray& bytes) {
    QList<QByteArray> entries;
    for (const auto& rawLine : bytes.split('\n')) {
        const QByteArray line = rawLine.trimmed(); // also drops the CR of CRLF
        if (line.isEmpty() || line.startsWith('#') || line == QByteArrayView("\0", 1))
            continue;
        QByteArray entry = line;
        while (entry.endsWith('\0'))
            entry.chop(1);
        if (!entry.isEmpty())
            entries.append(entry);
    }
    return entries;
}

QList<QByteArray> gnomeCopiedFilesEntries(const QByteArray& bytes) {
    // "copy" or "cut" on the first line, then one URI a line.
    const qsizetype firstLineEnd = bytes.indexOf('\n');
    if (firstLineEnd < 0)
        return {};
    const QByteArray operation = bytes.first(firstLineEnd).trimmed();
    if (operation != "copy" && operation != "cut")
        return {};
    return uriListEntries(bytes.sliced(firstLineEnd + 1));
}

bool isFileUrl(const QByteArray& entry) {
    return entry.size() > 5 && sameMime(entry.first(5), "file:");
}

std::unique_ptr<QMimeData> mimeDataForItems(const QList<PasteboardItem>& items) {
    auto mime = std::make_unique<QMimeData>();
    if (items.isEmpty())
        return mime;

    QList<QByteArray> fileUrls;
    for (const auto& item : items) {
        if (const auto data = item.data(PasteboardType::fileURL))
            fileUrls.append(uriListEntries(*data));
    }

    const PasteboardItem& first = items.first();
    bool hasText = false;
    std::optional<QByteArray> url;
    for (const auto& type : first.types()) {
        const QByteArray bytes = *first.data(type);
        if (type == PasteboardType::string) {
            // Qt also offers text/plain as UTF8_STRING, STRING and TEXT.
            mime->setData(QStringLiteral("text/plain"), bytes);
            mime->setData(QStringLiteral("text/plain;charset=utf-8"), bytes);
            hasText = true;
        } else if (type == PasteboardType::rtf) {
            mime->setData(QStringLiteral("text/rtf"), bytes);
            mime->setData(QStringLiteral("application/rtf"), bytes);
        } else if (type == PasteboardType::html) {
            mime->setData(QStringLiteral("text/html"), bytes); // kept as UTF-8
        } else if (type == PasteboardType::png) {
            mime->setData(QStringLiteral("image/png"), bytes);
        } else if (type == PasteboardType::tiff) {
            mime->setData(QStringLiteral("image/tiff"), bytes);
        } else if (type == PasteboardType::jpeg) {
            mime->setData(QStringLiteral("image/jpeg"), bytes);
        } else if (type == PasteboardType::url) {
            url = bytes.trimmed();
        } else if (type == PasteboardType::color) {
            // Qt writes application/x-color from the colour object only, as
            // four 16-bit values; raw bytes set under that name would be lost.
            if (const auto color = decodeColorData(bytes))
                mime->setColorData(*color);
        } else if (type == PasteboardType::fileURL || type == PasteboardType::rtfd) {
            // File URLs are merged below; flat RTFD has no counterpart here.
        } else {
            mime->setData(type, bytes);
        }
    }

    if (!fileUrls.isEmpty()) {
        QByteArray uriList;
        QStringList paths;
        for (const auto& entry : fileUrls) {
            uriList += entry + "\r\n";
            paths.append(QUrl::fromEncoded(entry).toLocalFile());
        }
        // Qt also offers a text/uri-list as text/x-moz-url and text/plain.
        mime->setData(QString::fromLatin1(uriListTarget), uriList);
        mime->setData(QString::fromLatin1(gnomeCopiedFilesTarget), "copy\n" + fileUrls.join('\n'));
        if (!hasText) {
            const QByteArray text = paths.join(QLatin1Char('\n')).toUtf8();
            mime->setData(QStringLiteral("text/plain"), text);
            mime->setData(QStringLiteral("text/plain;charset=utf-8"), text);
        }
    } else if (url && !url->isEmpty()) {
        mime->setData(QString::fromLatin1(uriListTarget), *url + "\r\n");
        if (!hasText) {
            mime->setData(QStringLiteral("text/plain"), *url);
            mime->setData(QStringLiteral("text/plain;charset=utf-8"), *url);
        }
    }
    return mime;
}

} // namespace quillbox::ClipboardMime
