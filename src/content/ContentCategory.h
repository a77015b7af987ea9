#pragma once

#include <QString>
#include <array>
#include <optional>

namespace quillbox {

// The seven kinds of content told apart; also the panel's filter categories.
// Records store the raw value, so the raw strings never change.
enum class ContentCategory { text, richText, image, file, url, color, code };

inline constexpr std::array allContentCategories{
    ContentCategory::text, ContentCategory::richText, ContentCategory::image, ContentCategory::file,
    ContentCategory::url,  ContentCategory::color,    ContentCategory::code,
};

QString rawValue(ContentCategory category);
// A string that names no case (letter case included) gives no value.
std::optional<ContentCategory> contentCategoryFromRaw(const QString& raw);
QString displayName(ContentCategory category);
QString symbolName(ContentCategory category);

// For raw strings read from the store: an unknown kind shows as text.
QString displayNameForRaw(const QString& raw);
QString symbolNameForRaw(const QString& raw);

} // namespace quillbox
