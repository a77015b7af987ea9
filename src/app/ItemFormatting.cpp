#include "app/ItemFormatting.h"

#include "content/ContentCategory.h"
#include "content/RelativeDate.h"

#include <QJsonValue>

using namespace Qt::StringLiterals;

namespace quillbox::ItemFormatting {

namespace {

QJsonValue optionalJson(const std::optional<QString>& text) {
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QString cut(const QString& text, int maxLength) {
    if (text.size() <= maxLength)
        return text;
    return text.left(maxLength - 1) + u'…';
}

QString sourceName(const ClipboardItem& item) {
    if (auto name = item.sourceAppName(); name && !name->isEmpty())
        return *name;
    if (auto identifier = item.sourceAppBundleID(); identifier && !identifier->isEmpty())
        return *identifier;
    return u"-"_s;
}

} // namespace

QString isoTime(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QString preview(const ClipboardItem& item, int maxLength) {
    QString text;
    if (auto title = item.title(); title && !title->trimmed().isEmpty())
        text = *title;
    else if (auto plain = item.plainText(); plain && !plain->trimmed().isEmpty())
        text = *plain;
    else if (auto dimensions = item.imageDimensions())
        text = u"Image "_s + *dimensions;
    else if (auto path = item.filePath())
        text = *path;
    else if (auto hex = item.colorHex())
        text = *hex;
    else if (auto url = item.urlString())
        text = *url;
    return cut(text.simplified(), maxLength);
}

QString itemTable(const QList<ClipboardItemPtr>& items, const QDateTime& now) {
    if (items.isEmpty())
        return u"The history is empty.\n"_s;
    constexpr int kindWidth = 9;
    constexpr int sourceWidth = 18;
    constexpr int timeWidth = 14;
    QString table;
    for (const auto& item : items) {
        const QString kind = displayNameForRaw(item->category()).toLower();
        table += item->id().toString(QUuid::WithoutBraces) + u"  "_s +
                 (item->isPinned() ? u"* "_s : u"  "_s) + kind.leftJustified(kindWidth) + u' ' +
                 cut(sourceName(*item), sourceWidth).leftJustified(sourceWidth) + u' ' +
                 relativeDescription(item->copiedAt(), now).leftJustified(timeWidth) + u' ' +
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

QString ruleTable(const QList<AppRulePtr>& rules) {
    if (rules.isEmpty())
        return u"No application is excluded.\n"_s;
    int width = 0;
    for (const auto& rule : rules)
        width = std::max(width, int(rule->bundleIdentifier().size()));
    QString table;
    for (const auto& rule : rules) {
        table += rule->bundleIdentifier().leftJustified(width) + u"  "_s +
                 (rule->isExcluded() ? u"excluded"_s : u"recorded"_s) + u"  "_s + rule->appName() +
                 u'\n';
    }
    return table;
}

QJsonObject ruleJson(const AppRule& rule) {
    return {{u"appID"_s, rule.bundleIdentifier()},
            {u"name"_s, rule.appName()},
            {u"isExcluded"_s, rule.isExcluded()}};
}

} // namespace quillbox::ItemFormatting
