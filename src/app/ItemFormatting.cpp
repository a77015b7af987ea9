#include "app/ItemFormatting.h"

#include "content/ContentCategory.h"
#include "content/RelativeDate.h"
#include "content/UntrustedText.h"

#include <QJsonValue>
#include <QTextBoundaryFinder>

using namespace Qt::StringLiterals;

namespace quillbox::ItemFormatting {

namespace {

QJsonValue optionalJson(const std::optional<QString>& text) {
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

// Cut between characters as the user sees them: never through an emoji, a
// surrogate pair or a letter and its accents.
QString cut(const QString& text, int maxLength) {
    if (text.size() <= maxLength)
        return text;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.setPosition(maxLength - 1);
    const qsizetype end = graphemes.isAtBoundary()
                              ? graphemes.position()
                              : std::max<qsizetype>(graphemes.toPreviousBoundary(), 0);
    return text.left(end) + u'…';
}

QString sourceName(const ClipboardItem& item) {
    if (auto name = item.sourceAppName(); name && !name->isEmpty())
        return *name;
    if (auto identifier = item.sourceAppBundleID(); identifier && !identifier->isEmpty())
        return *identifier;
    return u"-"_s;
}

} // namespace

QString escapeControls(const QString& text, bool keepLineBreaks) {
    return UntrustedText::terminal(text, keepLineBreaks);
}

QString isoTime(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QString preview(const ClipboardItem& item, int maxLength) {
    QString text;
    if (auto title = item.title(); title && !title->trimmed().isEmpty())
        text = *title;
    else if (auto plain = item.plainTextPreview(); plain && !plain->trimmed().isEmpty())
        text = *plain;
    else if (auto dimensions = item.imageDimensions())
        text = u"Image "_s + *dimensions;
    else if (auto path = item.filePath())
        text = *path;
    else if (auto hex = item.colorHex())
        text = *hex;
    else if (auto url = item.urlString())
        text = *url;
    else if (item.contentCategory() == ContentCategory::richText)
        text = displayName(ContentCategory::richText); // formatting without words, an image say
    return escapeControls(cut(text.simplified(), maxLength));
}

QString itemTable(const QList<ClipboardItemPtr>& items, const QDateTime& now,
                  const QString& emptyText) {
    if (items.isEmpty())
        return emptyText;
    constexpr int kindWidth = 9;
    constexpr int sourceWidth = 18;
    constexpr int timeWidth = 14;
    QString table;
    for (const auto& item : items) {
        const QString kind = displayNameForRaw(item->category()).toLower();
        table += item->id().toString(QUuid::WithoutBraces) + u"  "_s +
                 (item->isPinned() ? u"* "_s : u"  "_s) + kind.leftJustified(kindWidth) + u' ' +
                 escapeControls(cut(sourceName(*item), sourceWidth)).leftJustified(sourceWidth) +
                 u' ' + relativeDescription(item->copiedAt(), now).leftJustified(timeWidth) + u' ' +
                 preview(*item) + u'\n';
    }
    return table;
}

QJsonObject itemJson(const ClipboardItem& item, const QDateTime& now) {
    const auto count = item.characterCount();
    return {
        {u"id"_s, item.id().toString(QUuid::WithoutBraces)},
        {u"kind"_s, item.category()},
        {u"contentType"_s, item.contentType()},
        {u"sourceAppBundleID"_s, optionalJson(item.sourceAppBundleID())},
        {u"sourceAppName"_s, optionalJson(item.sourceAppName())},
        {u"copiedAt"_s, isoTime(item.copiedAt())},
        {u"relativeTime"_s, relativeDescription(item.copiedAt(), now)},
        {u"preview"_s, preview(item)},
        {u"title"_s, optionalJson(item.title())},
        {u"contentHash"_s, item.contentHash()},
        {u"isPinned"_s, item.isPinned()},
        {u"characterCount"_s, count ? QJsonValue(double(*count)) : QJsonValue(QJsonValue::Null)},
        {u"imageDimensions"_s, optionalJson(item.imageDimensions())},
        {u"urlString"_s, optionalJson(item.urlString())},
        {u"filePath"_s, optionalJson(item.filePath())},
        {u"colorHex"_s, optionalJson(item.colorHex())},
    };
}

QJsonObject itemDetailsJson(const ClipboardItem& item, const QDateTime& now) {
    QJsonObject object = itemJson(item, now);
    object.insert(u"contentBytes"_s, double(item.contentSize()));
    object.insert(u"text"_s, optionalJson(item.plainText()));
    object.insert(u"ocrText"_s, optionalJson(item.ocrText()));
    const auto rich = item.richTextData();
    object.insert(u"richTextBytes"_s, rich ? QJsonValue(double(rich->size())) : QJsonValue());
    return object;
}

QString itemDetails(const ClipboardItem& item, const QDateTime& now) {
    QString text;
    const auto line = [&text](const QString& label, const std::optional<QString>& value) {
        if (value)
            text += (label + u':').leftJustified(15) + escapeControls(*value) + u'\n';
    };
    line(u"Id"_s, item.id().toString(QUuid::WithoutBraces));
    line(u"Kind"_s, displayNameForRaw(item.category()).toLower());
    line(u"Content type"_s, item.contentType());
    line(u"Copied"_s,
         isoTime(item.copiedAt()) + u" ("_s + relativeDescription(item.copiedAt(), now) + u')');
    line(u"Source"_s, sourceName(item));
    line(u"Pinned"_s, item.isPinned() ? u"yes"_s : u"no"_s);
    line(u"Size"_s, u"%1 bytes"_s.arg(item.contentSize()));
    if (const auto count = item.characterCount())
        line(u"Characters"_s, QString::number(*count));
    line(u"Title"_s, item.title());
    line(u"URL"_s, item.urlString());
    line(u"File"_s, item.filePath());
    line(u"Colour"_s, item.colorHex());
    line(u"Image size"_s, item.imageDimensions());
    line(u"Hash"_s, item.contentHash());
    if (const auto ocr = item.ocrText(); ocr && !ocr->isEmpty())
        text += u"Text in image:\n"_s + escapeControls(*ocr, true) + u'\n';
    if (const auto plain = item.plainText())
        text += u"\n"_s + escapeControls(*plain, true) + u'\n';
    return text;
}

QString ruleTable(const QList<AppRulePtr>& rules) {
    if (rules.isEmpty())
        return u"No application is excluded.\n"_s;
    int width = 0;
    for (const auto& rule : rules)
        width = std::max(width, int(rule->bundleIdentifier().size()));
    QString table;
    for (const auto& rule : rules) {
        table += escapeControls(rule->bundleIdentifier()).leftJustified(width) + u"  "_s +
                 (rule->isExcluded() ? u"excluded"_s : u"recorded"_s) + u"  "_s +
                 escapeControls(rule->appName()) + u'\n';
    }
    return table;
}

QJsonObject ruleJson(const AppRule& rule) {
    return {{u"appID"_s, rule.bundleIdentifier()},
            {u"name"_s, rule.appName()},
            {u"isExcluded"_s, rule.isExcluded()}};
}

} // namespace quillbox::ItemFormatting
