#include "app/InspectClipboard.h"

#include "app/ItemFormatting.h"
#include "app/PlatformDescription.h"
#include "capture/ClipboardParser.h"
#include "capture/SourceAppResolver.h"
#include "content/AppConstants.h"
#include "ports/Pasteboard.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillbox {

namespace {

// Long text is cut for display; the hash and count still cover all of it.
constexpr qsizetype previewLength = 200;

// How the clipboard would be treated, and why.
struct Verdict {
    bool ignored = false;
    QString reason; // "internal", "marker" or empty
    QString marker;
};

Verdict verdictFor(const QStringList& types) {
    if (types.contains(AppConstants::internalPasteboardType))
        return {true, QStringLiteral("internal"), AppConstants::internalPasteboardType};
    for (const auto& type : types) {
        if (ClipboardParser::ignoredMarkerTypes().contains(type))
            return {true, QStringLiteral("marker"), type};
    }
    return {};
}

QString preview(const QString& text) {
    QString shown = text.left(previewLength);
    shown.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    shown.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    shown.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    if (text.size() > previewLength)
        shown += QStringLiteral("…");
    return ItemFormatting::escapeControls(shown);
}

QString thumbnailSize(const QByteArray& png) {
    const QImage image = QImage::fromData(png, "PNG");
    return image.isNull() ? QString()
                          : QStringLiteral("%1 x %2").arg(image.width()).arg(image.height());
}

QJsonValue jsonOf(const std::optional<QString>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

} // namespace

int inspectClipboard(const Pasteboard& pasteboard, SourceAppResolver& resolver, bool json,
                     QTextStream& out, const PlatformDescription* platform) {
    const QStringList types = pasteboard.types().value_or(QStringList());
    const Verdict verdict = verdictFor(types);
    // The kind it would be recorded as; empty when the clipboard is empty.
    const QString category =
        types.isEmpty() ? QString() : rawValue(ClipboardParser::categoryFrom(types, pasteboard));
    const auto parsed = verdict.ignored ? std::nullopt : ClipboardParser::parse(pasteboard);
    const AppInfo app = resolver.currentApp();

    if (json) {
        QJsonObject object;
        object[u"types"] = QJsonArray::fromStringList(types);
        object[u"ignored"] = verdict.ignored;
        object[u"ignoreReason"] =
            verdict.ignored ? QJsonValue(verdict.reason) : QJsonValue(QJsonValue::Null);
        object[u"marker"] = verdict.ignored ? QJsonValue(verdict.marker) : QJsonValue();
        object[u"category"] = category.isEmpty() ? QJsonValue() : QJsonValue(category);
        object[u"recorded"] = parsed.has_value();
        if (parsed) {
            object[u"contentType"] = parsed->contentType;
            object[u"contentHash"] = parsed->contentHash;
            object[u"contentBytes"] = static_cast<qint64>(parsed->content.size());
            object[u"plainTextPreview"] =
                parsed->plainText ? QJsonValue(preview(*parsed->plainText)) : QJsonValue();
            object[u"characterCount"] =
                parsed->characterCount ? QJsonValue(static_cast<qint64>(*parsed->characterCount))
                                       : QJsonValue();
            object[u"urlString"] = jsonOf(parsed->urlString);
            object[u"filePath"] = jsonOf(parsed->filePath);
            object[u"colorHex"] = jsonOf(parsed->colorHex);
            object[u"imageDimensions"] = jsonOf(parsed->imageDimensions);
            object[u"title"] = jsonOf(parsed->title);
            object[u"richTextBytes"] =
                parsed->richTextData ? QJsonValue(static_cast<qint64>(parsed->richTextData->size()))
                                     : QJsonValue();
            object[u"thumbnailSize"] = parsed->thumbnailData
                                           ? QJsonValue(thumbnailSize(*parsed->thumbnailData))
                                           : QJsonValue();
        }
        QJsonObject application;
        application[u"name"] = jsonOf(app.name);
        application[u"identifier"] = jsonOf(app.bundleID);
        application[u"accentColor"] = SourceAppResolver::colorHex(app.bundleID);
        object[u"frontmostApplication"] = application;
        if (platform)
            object[u"platform"] = platform->toJson();
        out << QJsonDocument(object).toJson(QJsonDocument::Indented);
        out.flush();
        return 0;
    }

    // Every value may come from the clipboard's owner: escaped for the terminal.
    const auto line = [&out](const QString& label, const QString& value) {
        out << label << QStringLiteral(": ") << ItemFormatting::escapeControls(value)
            << QLatin1Char('\n');
    };
    line(QStringLiteral("Types"),
         types.isEmpty() ? QStringLiteral("(none)") : types.join(QStringLiteral(", ")));
    if (verdict.reason == u"internal")
        line(QStringLiteral("Ignored"),
             QStringLiteral("yes, written by Quillbox itself (%1)").arg(verdict.marker));
    else if (verdict.ignored)
        line(QStringLiteral("Ignored"),
             QStringLiteral("yes, marked confidential or transient (%1)").arg(verdict.marker));
    else
        line(QStringLiteral("Ignored"), QStringLiteral("no"));
    if (!category.isEmpty())
        line(QStringLiteral("Category"), category);
    if (!parsed) {
        line(QStringLiteral("Recorded"),
             verdict.ignored ? QStringLiteral("no") : QStringLiteral("no, nothing readable"));
    } else {
        line(QStringLiteral("Content type"), parsed->contentType);
        line(QStringLiteral("Content hash"), parsed->contentHash);
        line(QStringLiteral("Content size"),
             QStringLiteral("%1 bytes").arg(parsed->content.size()));
        if (parsed->plainText)
            line(QStringLiteral("Plain text"),
                 QLatin1Char('"') + preview(*parsed->plainText) + QLatin1Char('"'));
        if (parsed->characterCount)
            line(QStringLiteral("Characters"), QString::number(*parsed->characterCount));
        if (parsed->richTextData)
            line(QStringLiteral("Rich text"),
                 QStringLiteral("%1 bytes").arg(parsed->richTextData->size()));
        if (parsed->urlString)
            line(QStringLiteral("URL"), *parsed->urlString);
        if (parsed->filePath)
            line(QStringLiteral("File path"), *parsed->filePath);
        if (parsed->title)
            line(QStringLiteral("Title"), *parsed->title);
        if (parsed->colorHex)
            line(QStringLiteral("Colour"), *parsed->colorHex);
        if (parsed->imageDimensions)
            line(QStringLiteral("Image size"), *parsed->imageDimensions);
        if (parsed->thumbnailData)
            line(QStringLiteral("Thumbnail"), QStringLiteral("%1 (%2 bytes PNG)")
                                                  .arg(thumbnailSize(*parsed->thumbnailData))
                                                  .arg(parsed->thumbnailData->size()));
    }
    QString application = app.name.value_or(QStringLiteral("(unknown)"));
    if (app.bundleID)
        application += QStringLiteral(" (%1)").arg(*app.bundleID);
    line(QStringLiteral("Frontmost application"),
         app.name || app.bundleID ? application : QStringLiteral("(none)"));
    if (platform)
        out << platform->text();
    out.flush();
    return 0;
}

} // namespace quillbox
