#include "content/ContentCategory.h"

namespace quillbox {

namespace {

struct CategoryNames {
    ContentCategory category;
    const char16_t* raw;
    const char16_t* display;
    const char16_t* symbol;
};

constexpr std::array<CategoryNames, 7> names{{
    {ContentCategory::text, u"text", u"Text", u"doc.text"},
    {ContentCategory::richText, u"richText", u"Rich Text", u"doc.richtext"},
    {ContentCategory::image, u"image", u"Image", u"photo"},
    {ContentCategory::file, u"file", u"File", u"doc"},
    {ContentCategory::url, u"url", u"URL", u"link"},
    {ContentCategory::color, u"color", u"Color", u"paintpalette"},
    {ContentCategory::code, u"code", u"Code", u"chevron.left.forwardslash.chevron.right"},
}};

const CategoryNames& namesOf(ContentCategory category) {
    return names[static_cast<std::size_t>(category)];
}

} // namespace

QString rawValue(ContentCategory category) {
    return QString::fromUtf16(namesOf(category).raw);
}

std::optional<ContentCategory> contentCategoryFromRaw(const QString& raw) {
    for (const auto& entry : names) {
        if (raw == QStringView(entry.raw))
            return entry.category;
    }
    return std::nullopt;
}

QString displayName(ContentCategory category) {
    return QString::fromUtf16(namesOf(category).display);
}

QString symbolName(ContentCategory category) {
    return QString::fromUtf16(namesOf(category).symbol);
}

QString displayNameForRaw(const QString& raw) {
    return displayName(contentCategoryFromRaw(raw).value_or(ContentCategory::text));
}

QString symbolNameForRaw(const QString& raw) {
    return symbolName(contentCategoryFromRaw(raw).value_or(ContentCategory::text));
}

} // namespace quillbox
